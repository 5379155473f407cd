#include "LocalVCR.h"

#include "CaptureLink.h"
#include "CommandLanguage.h"
#include "DeckRefusal.h"
#include "HyperDeckTransport.h"
#include "ScriptRunner.h"
#include "Utils.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

LocalVCR::LocalVCR(SerOutPort& link, int port, bool lanc, const Settings& s, PanelFactory makePanel,
                   ExitFunction exitFn)
    : sop(link), socketport(port), LANC(lanc), settings(s), vanto(s.vanto),
      exitProcess(exitFn ? std::move(exitFn) : [](int status) {
          Utils::FlushRepeats();
          std::_Exit(status);
      }) {
    setRate(s.framerate);
    capturing = std::make_unique<CaptureControl>(*this);
    zamGate = MakeZamGate(*this);
    localgui = makePanel(*this);
    sop.setStatusSink([this](const std::string& text) { ShowStat(text); });
    post([this] { startup(); });
}

LocalVCR::~LocalVCR() {
    sop.setStatusSink({});
    // A capture under way is cancelled (its recorder stopped, its deck too); its end is waited
    // for once nothing can start another.
    capturing->cancel();
    if (closer.joinable()) closer.join();
    closing = true; // no new poller, no new cue run
    actions.cancel();
    operatorStop.request(); // a script in progress ends at once
    runSlot.callOff();
    actions.stop();
    // The network and the second port call into the controller: they go first.
    {
        std::lock_guard lock(serverMutex);
        ss.reset();
        hyperdeck.reset();
    }
    sip.reset();
    capturing.reset();
    runSlot.clear(); // joins the run
    if (tcthread) tcthread->stopme();
    tcthread.reset();
}

void LocalVCR::startup() {
    if (vanto) vantoSetup();
    if (settings.zam && !startSecondPort()) return;
    Utils::OutLine(settings.VCRType + " Ready");
    Utils::OutLine(" ");
    ShowStat(settings.VCRType + " Ready");
    // After "Ready": what the server says stays on the status line for its 3 s.
    if (settings.netserver && OpenServerSocket(settings.netport)) ServeClients();
    if (settings.hyperdeck) OpenHyperDeck();
    if (settings.autoRate) detectRate();
    CommandB0(bssettimemode);
    Utils::DelayT(1000);
    GetTC();
    localgui->showWindow();
    localgui->enableLogger(true);
}

timecode::Rate LocalVCR::rate() const {
    const int code = rateInUse;
    return timecode::Rate{code / 2, code % 2 == 1};
}

void LocalVCR::setRate(timecode::Rate r) {
    rateInUse = RateCode(r);
}

void LocalVCR::detectRate() {
    DeckReply reply;
    std::optional<DeckStandard> standard;
    for (int tries = 0; tries < deviceTypeTries && !standard; ++tries) {
        reply = CommandB0(bsdevicetype);
        standard = DecodeDeviceType(reply.bytes, reply.count);
    }
    if (!standard) {
        Utils::OutLine("No device type from the deck: Frame Rate 30");
        return;
    }
    if (*standard == DeckStandard::NotKnown) {
        std::string type = Utils::BS2S(reply.bytes, 4);
        type.pop_back();
        const std::string text =
            "Deck type " + type + " not known: Frame Rate 30 (set FrameRate=25 for a 625/50 deck)";
        Utils::OutLine(text);
        ShowStat(text);
        return;
    }
    if (*standard == DeckStandard::Lines625) {
        setRate(timecode::rate25);
        Utils::OutLine("Deck is 625/50: Frame Rate 25");
        return;
    }
    dropFramePending = true; // the first time reply says whether it is drop-frame
}

timecode::Rate LocalVCR::rateFor(const DeckReply& reply) {
    if (!dropFramePending) return rate();
    const auto time = DecodeTimeReply(reply.bytes, reply.count);
    if (!time || !dropFramePending.exchange(false)) return rate();
    setRate(time->dropFrameFlag ? timecode::rate30DF : timecode::rate30);
    Utils::OutLine(std::string("Deck is 525/60") +
                   (time->dropFrameFlag ? ", drop-frame: Frame Rate 30DF" : ": Frame Rate 30"));
    return rate();
}

bool LocalVCR::startSecondPort() {
    const std::string& name = settings.comport2;
    auto reader = std::make_unique<SerInPort>(name);
    if (reader->bad()) {
        Utils::OutLine(" ");
        Utils::OutLine(" ");
        Utils::OutLine("ZAM Serial port " + name + " for VCR not available.");
        Utils::DelayT(5000);
        exitProcess(2);
        return false;
    }
    const std::string opened = "ZAM Serial Port " + name + " Opened OK";
    ShowStat(opened);
    Utils::OutLine(" ");
    Utils::OutLine(opened);
    Utils::OutLine(" ");
    reader->setlocalvcr(zamGate.get());
    reader->setwait(100);
    reader->setsleeptime(100);
    reader->start();
    sip = std::move(reader);
    return true;
}

bool LocalVCR::OpenServerSocket(int port) {
    auto server = std::make_unique<NetServer>(*this);
    if (!server->open(settings.netaddress, port)) {
        const std::string failed = "Can't Get ServerSocket at Port " + std::to_string(port);
        Utils::OutLine(failed + ": " + server->error() +
                       " (no network clients: free the port, or set NetPort to another one)");
        ShowStat(failed);
        return false;
    }
    ShowStat("Server Socket Opened OK at Port " + std::to_string(port));
    std::unique_ptr<NetServer> replaced;
    std::lock_guard lock(serverMutex);
    replaced = std::move(ss);
    ss = std::move(server);
    return true;
}

void LocalVCR::ServeClients() {
    std::lock_guard lock(serverMutex);
    if (ss && !closing) ss->start();
}

int LocalVCR::serverPort() {
    std::lock_guard lock(serverMutex);
    return ss ? ss->port() : 0;
}

void LocalVCR::vantoSetup() {
    Utils::OutLine("Setting BVW75 Mode on VANTO");
    CommandB0(bssetbvw75);
    Utils::DelayT(4000);
    Utils::OutLine("Setting Compression on VANTO = " + std::to_string(settings.compression));
    CommandB0(SetupFrame(bssetcompression, settings.compression));
    Utils::OutLine("Setting PAL/NTSC Mode to " + settings.VideoMode);
    CommandB0(SetupFrame(bssetvideomode, settings.videomode));
    Utils::OutLine("Setting PAL/NTSC Mode to " + settings.VideoType);
    CommandB0(SetupFrame(bssetvideotype, settings.videotype));
    Utils::OutLine("Setting Loop Record Mode to " + settings.LoopRecMode);
    CommandB0(SetupFrame(bssetlooprecmode, settings.looprecmode));
    Utils::OutLine("Setting Loop Play Mode to " + settings.LoopPlayMode);
    CommandB0(SetupFrame(bssetloopplaymode, settings.loopplaymode));
}

DeckReply LocalVCR::CommandB0(std::span<const std::uint8_t> frame) {
    const DeckReply reply = sop.SendSerial(frame);
    if (IsSenseRequest(frame)) return reply;
    // A frame from a pressed button follows its name, shown past the deck's condition.
    statusWrittenByWindow();
    bool told = false;
    if (!frame.empty() && (frame[0] & 0xF0) == 0x20) {
        ++transportCount;
        if (TransportMemory::IsAck(reply.bytes, reply.count)) {
            transport.acknowledged(frame);
            // A frame that says nothing of the motion (E-E, standby, eject) leaves the last one
            // that did in force: the reading before it may be older than that one.
            if (TransportOfFrame(frame, {})) acked.acknowledged(frame);
            told = true;
        }
    }
    noteSent(frame);
    // The remote front ends report what the deck was told at once, not at the next reading.
    if (told) tellStateWatcher();
    if (const auto bits = NakBits(reply.bytes, reply.count)) {
        const std::string text = RefusalText(frame, *bits);
        Utils::OutLine(text);
        ShowStat(text);
    }
    return reply;
}

void LocalVCR::apply(const DeckCondition::Change& change) {
    for (const std::string& line : change.log) Utils::OutLine(line);
    if (!localgui) return;
    if (change.live) localgui->showTimeLive(*change.live);
    if (change.clearMarks) localgui->showMarks({});
    if (change.status) localgui->ShowStatus(*change.status);
}

void LocalVCR::ShowStat(const std::string& text) {
    std::lock_guard lock(conditionMutex);
    apply(condition.message(text, DeckCondition::Clock::now()));
}

bool LocalVCR::deckSilent() {
    std::lock_guard lock(conditionMutex);
    return condition.silent();
}

void LocalVCR::statusWrittenByWindow() {
    std::lock_guard lock(conditionMutex);
    apply(condition.writtenElsewhere(DeckCondition::Clock::now()));
}

std::string LocalVCR::shownStatus() {
    std::lock_guard lock(conditionMutex);
    return condition.shown();
}

void LocalVCR::showWords(const std::string& text) {
    std::lock_guard lock(conditionMutex);
    apply(condition.words(text, DeckCondition::Clock::now()));
}

void LocalVCR::showReading(const StatusReading& reading) {
    std::lock_guard lock(conditionMutex);
    const auto now = DeckCondition::Clock::now();
    apply(condition.deckState(reading.local, reading.noTape, now));
    apply(condition.words(reading.text, now));
}

void LocalVCR::watchDeck() {
    const bool lost = sop.linkLost();
    std::lock_guard lock(conditionMutex);
    const auto now = DeckCondition::Clock::now();
    apply(condition.linkState(lost, "Deck link lost: " + sop.portName(), now));
    apply(condition.tick(now));
}

void LocalVCR::SettleDown() {
    cueplayFlag = false;
    reviewclipFlag = false;
    duration = 0;
    TellTCReview(false);
    callOffReview();
}

void LocalVCR::play() {
    CommandB0(bsplay);
}
void LocalVCR::pause() {
    CommandB0(bspause);
}

void LocalVCR::sendThenSettle(std::span<const std::uint8_t> frame) {
    // A review is called off, and a cue run's play cleared, before the frame goes: nothing of
    // the run follows it.
    callOffReview();
    cueplayFlag = false;
    CommandB0(frame);
    SettleDown();
}

void LocalVCR::stop() {
    sendThenSettle(bsstop);
}
void LocalVCR::rewind() {
    sendThenSettle(bsrewind);
}
void LocalVCR::forward() {
    sendThenSettle(bsforward);
}
void LocalVCR::slowfifth() {
    sendThenSettle(bsslowfifth);
}
void LocalVCR::slowthird() {
    sendThenSettle(bsslowthird);
}
void LocalVCR::slowhalf() {
    sendThenSettle(bsslowhalf);
}
void LocalVCR::fasttwo() {
    sendThenSettle(bsfasttwo);
}
void LocalVCR::fastfive() {
    sendThenSettle(bsfastfive);
}
void LocalVCR::jogr() {
    sendThenSettle(bsjogr);
}
void LocalVCR::jogf() {
    sendThenSettle(bsjogf);
}
void LocalVCR::eeon() {
    sendThenSettle(bseeon);
}
void LocalVCR::eeoff() {
    sendThenSettle(bseeoff);
}
void LocalVCR::sbyon() {
    sendThenSettle(bssbyon);
}
void LocalVCR::sbyoff() {
    sendThenSettle(bssbyoff);
}
void LocalVCR::record() {
    sendThenSettle(bsrecord);
}

void LocalVCR::shutfwd(int speed) {
    CommandB0(ShuttleFrame(false, speed));
}
void LocalVCR::shutrev(int speed) {
    CommandB0(ShuttleFrame(true, speed));
}

void LocalVCR::CommandB8() {
    // The reading and the Stop it may call for are one step on the link.
    auto link = sop.holdExchanges();
    const auto sent = std::chrono::steady_clock::now();
    const DeckReply reply = CommandB0(bsgettc);
    const auto received = std::chrono::steady_clock::now();
    if (auto time = DecodeTimeReply(reply.bytes, reply.count, rateFor(reply))) {
        DeckRead read{time->frames, time->text, sent, received, {}};
        {
            std::lock_guard lock(stateMutex);
            TCString = time->text;
            tcframes = time->frames;
            read.status = statusBytes;
        }
        if (outPoint.reading(time->frames)) CommandB0(bsstop);
        {
            std::lock_guard lock(watcherMutex);
            if (readWatcher) readWatcher(read);
        }
        link.unlock();
        localgui->ShowTC(time->text);
        if (settings.useclipboard) localgui->setClipboard(time->text + "\n");
        std::lock_guard lock(conditionMutex);
        apply(condition.timeDecoded(DeckCondition::Clock::now()));
    } else if (IsStatusReply(reply.bytes, reply.count)) {
        ExtractStatusString(reply.bytes);
    }
    watchDeck();
}

void LocalVCR::CommandStatus() {
    statusRequestedAt = transport.generation();
    ackedRequestedAt = acked.requested();
    const DeckReply reply = CommandB0(bsstatus);
    if (IsStatusReply(reply.bytes, reply.count)) {
        ExtractStatusString(reply.bytes);
    } else if (sop.linkLost()) {
        // The link's own text is on show.
    } else if (reply.count == 0 && sop.hasOutStream()) {
        // A silent deck says so in its own words; the words shown when it answers again are
        // the last it gave.
        if (!deckSilent()) showWords("No VCR Status");
    } else if (!sop.hasOutStream()) {
        // Said as a message: more to the point than the silence that follows from it.
        ShowStat("No VCR Detected");
    }
    tellStateWatcher();
}

std::string LocalVCR::ExtractStatusString(std::span<const std::uint8_t> reply) {
    const StatusReading s = ExtractStatus(reply, reviewclipFlag);
    // While no time comes, a status reply is a stray one (a late answer landing in another
    // exchange): it shows no marks, so nothing looks live that is not.
    const bool stray = deckSilent();
    localgui->showMarks(stray ? std::vector<Mark>{} : s.marks);
    if (!stray) {
        transport.statusRead(statusRequestedAt, s.stopped || s.still);
        acked.statusRead(ackedRequestedAt);
        playing = s.playingForward;
        deckLocal = s.local;
        deckNoTape = s.noTape;
    }
    cueup = s.cueup;
    preroll = s.preroll;
    {
        std::lock_guard lock(stateMutex);
        StatusString = s.text;
        const size_t count = std::min<size_t>(reply[0] & 0x0F, reply.size() - 2);
        statusBytes.assign(reply.begin() + 2, reply.begin() + 2 + count);
    }
    showReading(s);
    return s.text;
}

void LocalVCR::reporttc() {
    if (auto c = client()) c->Send(getTCString());
}

void LocalVCR::reportstatus() {
    if (auto c = client()) c->Send(statusAnswer());
}

std::string LocalVCR::statusAnswer() {
    {
        std::lock_guard lock(conditionMutex);
        if (auto text = condition.unanswered()) return *text;
    }
    return getStatusString();
}

bool LocalVCR::ParseNetCommand(const std::string& line) {
    return ::ParseNetCommand(*this, line);
}

void LocalVCR::script() {
    RunScript(*this);
}

void LocalVCR::CommandBLogger() {
    loggerOpened = true;
    localgui->openLogger();
}

void LocalVCR::requestOperatorStop() {
    callOffReview();
    if (scriptactive) operatorStop.request();
}

void LocalVCR::setCueField(const std::string& text) {
    localgui->texts().setIn(text);
}

void LocalVCR::setEndField(const std::string& text) {
    localgui->texts().setOut(text);
}

void LocalVCR::refuseForCapture() {
    Utils::OutLine("Capture running");
    ShowStat("Capture running");
}

void LocalVCR::watchReads(std::function<void(const DeckRead&)> watcher) {
    std::lock_guard lock(watcherMutex);
    readWatcher = std::move(watcher);
}

bool LocalVCR::underControl() {
    return !deckLocal && !deckNoTape && !sop.linkLost() && !deckSilent();
}

void LocalVCR::GetTC() {
    std::lock_guard lock(pollerMutex);
    if (!sop.hasSerialPort() || tcthread || closing) return;
    {
        std::lock_guard conditionLock(conditionMutex);
        condition.watchFrom(DeckCondition::Clock::now());
    }
    tcthread = std::make_unique<TCThread>(*this, LANC, vanto);
    tcthread->start();
}

TCThread* LocalVCR::poller() {
    std::lock_guard lock(pollerMutex);
    return tcthread.get();
}

void LocalVCR::TellTCReview(bool flag) {
    std::lock_guard lock(pollerMutex);
    if (tcthread) tcthread->setreviewclip(flag);
}

void LocalVCR::DelayT(int ms) {
    Utils::DelayT(ms);
}

void LocalVCR::CloseMain() {
    if (closing.exchange(true)) return;
    actions.cancel();
    closer = std::thread([this] { closeSequence(); });
}

void LocalVCR::closeSequence() {
    // A capture under way ends first: its recorder is stopped (it would record on after the
    // program) and its files kept. The poller reads on until then.
    capturing->cancel();
    while (capturing->running()) Utils::DelayT(20);
    {
        std::lock_guard lock(pollerMutex);
        if (tcthread) tcthread->stopme();
    }
    if (settings.stoponexit) {
        stop();
        DelayT(500);
        stop();
    }
    exitProcess(0);
}

std::string LocalVCR::getTCString() const {
    std::lock_guard lock(stateMutex);
    return TCString;
}

std::string LocalVCR::getStatusString() const {
    std::lock_guard lock(stateMutex);
    return StatusString;
}

std::string LocalVCR::getCueString() const {
    std::lock_guard lock(stateMutex);
    return CueString;
}

CommandFrames::Frame<7> LocalVCR::getCueFrame() const {
    std::lock_guard lock(stateMutex);
    return cueFrame;
}
