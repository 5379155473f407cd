// A control surface connecting as the Companion module for HyperDecks does: hyperdeck-connection
// with its own ping and watchdog, then notify, device info, slot info for each slot, transport
// info, configuration and remote. An error reply fails the connection, which the module drops
// and tries again. Then it stays through two of the library's pings and presses Record.
// node hyperdeck_surface.js PORT. Prints what it saw, one line each; exits 0 when it connected at
// the first try and stayed, 1 otherwise.
const { Hyperdeck, Commands } = require('hyperdeck-connection');

const deck = new Hyperdeck({ externalLog: () => {} });
const fail = (why) => {
    console.log('failed: ' + why);
    process.exit(1);
};
const reason = (e) => (e && e.code ? `${e.code} ${e.name}` : String(e));
setTimeout(() => fail('took longer than 45 s'), 45000);
deck.on('error', (what, e) => fail(`${what} ${reason(e)}`));
deck.on('disconnected', () => fail('disconnected'));

deck.on('connected', async (info) => {
    console.log(`connected ${info.protocolVersion} ${info.model}`);
    // The library's pings, as they go out (a socket takes its own write back as it connects).
    let pings = 0;
    const write = deck.socket.write.bind(deck.socket);
    deck.socket.write = (text, ...rest) => {
        if (text === 'ping\r\n') ++pings;
        return write(text, ...rest);
    };
    const send = (command) => deck.sendCommand(command).catch((e) => fail('at the first try: ' + reason(e)));
    const notify = new Commands.NotifySetCommand();
    notify.configuration = notify.transport = notify.slot = notify.remote = true;
    await send(notify);
    const device = await send(new Commands.DeviceInfoCommand());
    console.log(`device ${device.model} ${device.slots}`);
    for (let i = 1; i <= (device.slots || 2); i++) {
        const s = await send(new Commands.SlotInfoCommand(i));
        console.log(`slot ${s.slotId} ${s.status} ${s.volumeName} ${s.recordingTime} ${s.videoFormat}`);
    }
    const t = await send(new Commands.TransportInfoCommand());
    console.log(`transport ${t.status} ${t.timecode} ${t.videoFormat}`);
    const c = await send(new Commands.ConfigurationGetCommand());
    console.log(`configuration ${c.videoInput} ${c.audioInput} ${c.fileFormat} ${c.audioCodec} ` +
                `${c.timecodeInput} ${c.timecodePreset}`);
    const r = await send(new Commands.RemoteGetCommand());
    console.log(`remote ${r.enabled} ${r.override}`);

    while (pings < 2) await new Promise((resolve) => setTimeout(resolve, 100));
    await send(new Commands.TransportInfoCommand()); // answered once the last ping is
    console.log('stayed through 2 pings');
    await deck.sendCommand(new Commands.RecordCommand()).then(
        () => console.log('record ok'),
        (e) => console.log('record refused: ' + reason(e)),
    );
    await send(new Commands.TransportInfoCommand());
    console.log('still connected');
    deck.removeAllListeners();
    await deck.disconnect();
    process.exit(0);
});
deck.connect('127.0.0.1', Number(process.argv[2]));
