#include "CaptureLink.h"

#include "LocalVCR.h"
#include "Utils.h"

namespace {

class Link : public CaptureDeck {
public:
    explicit Link(LocalVCR& v) : vcr(v) {}
    timecode::Rate captureRate() const override { return vcr.rate(); }
    void stopDeck() override { vcr.CommandB0(CommandFrames::bsstop); }
    void playDeck() override { vcr.CommandB0(CommandFrames::bsplay); }
    void cueDeck(int frames) override {
        const auto frame = CueFrame(timecode::TimeText(frames, vcr.rate()));
        if (!frame) return;
        // Cue-up is the deck's answer to this cue: an earlier one no longer counts.
        const auto link = vcr.holdLink();
        vcr.cueup = false;
        vcr.CommandB0(*frame);
    }
    bool cuedUp() const override { return vcr.cueup; }
    bool underControl() const override { return vcr.underControl(); }
    void watchReads(std::function<void(const DeckRead&)> watcher) override {
        vcr.watchReads(std::move(watcher));
    }
    void say(const std::string& text) override {
        Utils::OutLine(text);
        vcr.ShowStat(text);
    }

private:
    LocalVCR& vcr;
};

class ZamGate : public ZamTarget {
public:
    explicit ZamGate(LocalVCR& v) : vcr(v) {}
    void play() override { pass(&LocalVCR::play); }
    void stop() override { pass(&LocalVCR::stop); }
    void rewind() override { pass(&LocalVCR::rewind); }
    void forward() override { pass(&LocalVCR::forward); }
    void jogf() override { pass(&LocalVCR::jogf); }
    void jogr() override { pass(&LocalVCR::jogr); }
    void setin() override { vcr.setin(); }
    void setout() override { vcr.setout(); }
    void ShowStat(const std::string& text) override { vcr.ShowStat(text); }

private:
    void pass(void (LocalVCR::*op)()) {
        if (vcr.captureRunning())
            vcr.refuseForCapture();
        else
            (vcr.*op)();
    }
    LocalVCR& vcr;
};

} // namespace

std::unique_ptr<CaptureDeck> MakeCaptureLink(LocalVCR& vcr) {
    return std::make_unique<Link>(vcr);
}

std::unique_ptr<ZamTarget> MakeZamGate(LocalVCR& vcr) {
    return std::make_unique<ZamGate>(vcr);
}
