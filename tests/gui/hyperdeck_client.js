// An independent HyperDeck protocol client, the npm package hyperdeck-connection, rolling the
// deck through KOLB: node hyperdeck_client.js PORT. Prints what it saw, one line each; exits 0
// when every step was answered, 1 otherwise.
const { Hyperdeck, Commands } = require('hyperdeck-connection');

const port = Number(process.argv[2]);
// As control surfaces use it: a watchdog of 6 s, and a ping every 5 s.
const deck = new Hyperdeck({ externalLog: () => {} });
const fail = (why) => {
    console.log('failed: ' + why);
    process.exit(1);
};
setTimeout(() => fail('took longer than 45 s'), 45000);
deck.on('error', (what, e) => fail(what + ' ' + e));

// The next transport notification whose status is `status`.
const told = (status) =>
    new Promise((resolve) => {
        const listener = (change) => {
            if (change.status !== status) return;
            deck.off('notify.transport', listener);
            resolve(change);
        };
        deck.on('notify.transport', listener);
    });

deck.on('connected', async (info) => {
    try {
        console.log(`connected ${info.protocolVersion} ${info.model}`);
        const device = await deck.sendCommand(new Commands.DeviceInfoCommand());
        console.log(`device ${device.model} ${device.slots}`);
        const transport = await deck.sendCommand(new Commands.TransportInfoCommand());
        console.log(`transport ${transport.status} ${transport.timecode}`);
        const notify = new Commands.NotifySetCommand();
        notify.transport = true;
        await deck.sendCommand(notify);

        const playing = told('play');
        await deck.sendCommand(new Commands.PlayCommand());
        console.log(`told play ${(await playing).speed}`);
        const stopped = told('stopped');
        await deck.sendCommand(new Commands.StopCommand());
        console.log(`told stopped ${(await stopped).speed}`);
        await deck.sendCommand(new Commands.GoToCommand(undefined, undefined, '01:00:20:00'));
        console.log('goto done');
        await deck.disconnect();
        process.exit(0);
    } catch (e) {
        fail(JSON.stringify(e));
    }
});
deck.connect('127.0.0.1', port);
