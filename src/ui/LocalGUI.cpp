#include "LocalGUI.h"

#include "CaptureWindow.h"
#include "LocalVCR.h"
#include "LoggerGUI.h"
#include "WindowActions.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QThread>

namespace {
const QColor backgroundcol(90, 170, 250);
const QColor tccolor(250, 80, 80);
const QColor tcgrey(128, 128, 128); // a time the deck has not confirmed since
const QColor darkGrey(64, 64, 64);
const QColor lightGrey(192, 192, 192);

QFont helvetica(int pixels, bool bold = false) {
    QFont f("Helvetica");
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}
} // namespace

template <class F> void LocalGUI::onGui(F f) {
    if (QThread::currentThread() == thread())
        f();
    else
        QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
}

template <class F> void LocalGUI::refresh(std::atomic<bool>& pending, F apply) {
    if (QThread::currentThread() == thread()) {
        apply();
    } else if (!pending.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [&pending, apply] {
                pending = false;
                apply();
            },
            Qt::QueuedConnection);
    }
}

LocalGUI::LocalGUI(LocalVCR& vcr, const Settings& settings, int width, int fontheight)
    : svcr(vcr), vanto(settings.vanto), windowWidth(width) {
    setWindowTitle("KOLB");
    setFont(helvetica(fontheight));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, backgroundcol);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    // A click on the window's background takes the focus from a field: the keys act again.
    setFocusPolicy(Qt::ClickFocus);
    layoutControls(width, fontheight, settings);
    setToolTips();
    new KeyboardControl(this, [this](KeyAction action) { return keyAction(action); });
    timeTexts.setListener([this](TimeTexts::Field f) {
        refresh(textPending[static_cast<int>(f)], [this, f] { applyText(f); });
    });
    show();
}

LocalGUI::~LocalGUI() {
    timeTexts.setListener({});
    capturewindow.reset();
    loggergui.reset();
    if (keep) keep->kill();
    keep.reset();
}

QPushButton* LocalGUI::addButton(const char* label, const char* command, int x, int y, int w) {
    auto* b = new QPushButton(label, this);
    b->setGeometry(x, y, w, dy);
    b->setProperty("command", command);
    const std::string cmd = command;
    connect(b, &QPushButton::clicked, this, [this, cmd] { pressed(cmd); });
    buttons[label] = b;
    return b;
}

void LocalGUI::layoutControls(int width, int fontheight, const Settings& settings) {
    // The window's client area has no insets: L = T = 0.
    const int c0 = 5;
    auto col = [&](int k) { return c0 + k * dx; };

    int y = 5; // row 1
    if (vanto) {
        vantolabel = new QLabel(QString::fromStdString("VANTO Controls " + settings.note), this);
        vantolabel->setGeometry(col(0), y, 180, dy);
    } else {
        vcrlabel = new QLabel(QString::fromStdString("VCR Controls " + settings.note), this);
        vcrlabel->setGeometry(col(0), y, 180, dy);
    }
    tcfield = new TimeDisplay("00:00:00:00", helvetica(18), tccolor, this);
    tcfield->setGeometry(col(3), y, 2 * dx, dy);

    // Rows 2 to 5: five buttons each, as label and command, with the step down to the row.
    struct Row {
        int step;
        const char* buttons[5][2];
    };
    static const Row rows[] = {
        {dy + 8,
         {{"<< Rew", "Rewind"},
          {"Pause ||", "Pause"},
          {"Stop *", "Stop"},
          {"Play >", "Play"},
          {"Fwd >>", "Forward"}}},
        {dy + 4,
         {{"Slow/5", "Slow5"},
          {"Slow/3", "Slow3"},
          {"Slow/2", "Slow2"},
          {"FastX2", "Fast2"},
          {"FastX5", "Fast5"}}},
        {dy + 4,
         {{"EEOn", "EEOn"},
          {"EEOff", "EEOff"},
          {"REC", "Record"},
          {"SbyON", "Sbyon"},
          {"SbyOFF", "Sbyoff"}}},
        {dy + 10,
         {{"SetIn", "SetCue"},
          {"CueIn", "Cue"},
          {"Cue/Play", "Cueplay"},
          {"SetOut", "SetRev"},
          {"CueOut", "CueOut"}}},
    };
    for (const Row& row : rows) {
        y += row.step;
        for (int k = 0; k < 5; ++k) addButton(row.buttons[k][0], row.buttons[k][1], col(k), y);
    }

    y += dy + 6; // row 6
    cuefield = new QLineEdit("00:00:00:00", this);
    cuefield->setGeometry(col(0), y, 2 * dx, dy);
    cuefield->setFont(helvetica(18));
    addButton("Review", "Review", col(2), y);
    endfield = new QLineEdit("00:00:00:00", this);
    endfield->setGeometry(col(3), y, 2 * dx, dy);
    endfield->setFont(helvetica(18));

    y += dy + 8; // row 7
    addButton("< Jog", "Jogr", col(0), y, 2 * dx - 20);
    QPushButton* script = addButton("SCRIPT", "SCRIPT", col(2), y);
    addButton("Jog >", "Jogf", col(3) + 20, y, 2 * dx - 20);

    y += dy + 8; // row 8
    const int row8 = y;
    vsb = new QScrollBar(Qt::Horizontal, this);
    vsb->setGeometry(col(0), y, 5 * dx, 25);
    // Value 48 of 0..115 with 20 visible: the value runs 0 to 95, 48 the centre.
    vsb->setRange(0, 95);
    vsb->setPageStep(20);
    vsb->setValue(48);

    y += dy + 5; // row 9
    blogger = new QPushButton("Open Logger Window", this);
    blogger->setGeometry(col(0), y, 5 * dx, dy);
    blogger->setEnabled(false);
    connect(blogger, &QPushButton::clicked, this, [this] { svcr.CommandBLogger(); });

    y = row8 + 2 * dy + 6; // row 10
    statuslabel = new QLabel("Status/Results", this);
    statuslabel->setGeometry(col(0), y, 100, dy);
    ontop = new QCheckBox("Keep On Top", this);
    ontop->setGeometry(col(0) + 150, y, 100, dy);

    y += dy; // row 11
    statusfield = new QLineEdit(this);
    statusfield->setGeometry(col(0), y, 5 * dx, dy);
    statusfield->setReadOnly(true);
    statusfield->setFocusPolicy(Qt::ClickFocus); // Tab never stops on a field to read

    for (QPushButton* red : {button("REC"), script}) {
        red->setFont(helvetica(fontheight, true));
        QPalette p = red->palette();
        p.setColor(QPalette::ButtonText, Qt::red);
        red->setPalette(p);
    }

    connect(cuefield, &QLineEdit::textEdited, this,
            [this](const QString& t) { timeTexts.setIn(t.toStdString()); });
    connect(endfield, &QLineEdit::textEdited, this,
            [this](const QString& t) { timeTexts.setOut(t.toStdString()); });
    connect(cuefield, &QLineEdit::returnPressed, this, [this] {
        timeTexts.setIn(cuefield->text().toStdString());
        svcr.post([this] { svcr.MakeCueString(); });
    });
    connect(vsb, &QScrollBar::valueChanged, this, [this](int value) {
        if (refusedForCapture()) {
            showShuttle(0);
            return;
        }
        svcr.post([this, value] { ShuttleTo(svcr, value); });
    });
    connect(ontop, &QCheckBox::toggled, this, [this](bool checked) { ONTOP(checked); });

    // A fixed size: a smaller window would hide the status line.
    setFixedSize(width, y + dy + 8);
}

bool LocalGUI::refusedForCapture() {
    if (!svcr.captureRunning()) return false;
    svcr.refuseForCapture();
    return true;
}

void LocalGUI::pressed(const std::string& command) {
    if (command != "SetCue" && command != "SetRev" && refusedForCapture()) return;
    const bool motion = IsCueMotion(command);
    // The controls lock at the press: a second press while a motion starts or runs is refused.
    if (motion && svcr.cueControlsLocked()) return;
    showPressed(command);
    // A script in progress holds the operator-action thread: it hears the Stop at once and
    // ends after its current line; the Stop below then stops the deck. A review starting or
    // playing is called off at once.
    if (command == "Stop") svcr.requestOperatorStop();
    if (command == "SetCue" || command == "SetRev") {
        // The mark is the time shown at the press, whatever the operator-action thread is at.
        const bool out = command == "SetRev";
        TakeMark(timeTexts, out, timeTexts.time());
        svcr.post([this, out] { PrepareMark(svcr, out); });
        return;
    }
    if (motion) {
        svcr.lockCueControls(true);
        svcr.post([this, command] {
            // The run, when one started, holds the controls from here until it ends.
            const CueControlRelease release{svcr};
            DispatchButton(svcr, command);
        });
        return;
    }
    svcr.post([this, command] { DispatchButton(svcr, command); });
}

void LocalGUI::showPressed(const std::string& text) {
    ShowStatus(text);
    svcr.statusWrittenByWindow();
}

bool LocalGUI::keyAction(KeyAction action) {
    const bool moves = action == KeyAction::Pause || action == KeyAction::ShuttleForward ||
                       action == KeyAction::ShuttleReverse;
    if (moves && refusedForCapture()) return true;
    switch (action) {
    case KeyAction::PlayOrStop:
        playOrStop();
        return true;
    case KeyAction::Pause:
        // Shown at once, as the button does; the still frame follows any J or L still queued.
        showPressed("Pause");
        showShuttle(0);
        shuttleKey(0);
        return true;
    case KeyAction::ShuttleForward:
        shuttleKey(1);
        return true;
    case KeyAction::ShuttleReverse:
        shuttleKey(-1);
        return true;
    case KeyAction::JogBack:
        pressed("Jogr");
        return true;
    case KeyAction::JogForward:
        pressed("Jogf");
        return true;
    case KeyAction::MarkIn:
        pressed("SetCue");
        return true;
    case KeyAction::MarkOut:
        pressed("SetRev");
        return true;
    case KeyAction::Stop:
        pressed("Stop");
        return true;
    case KeyAction::Save:
    case KeyAction::Load:
    case KeyAction::Undo:
    case KeyAction::Redo:
    case KeyAction::Review:
    case KeyAction::DeleteEvent:
    case KeyAction::InsertEvent:
    case KeyAction::None:
        break;
    }
    return false;
}

void LocalGUI::playOrStop() {
    // A script, RevALL or review running holds the operator-action thread: a Space that stops
    // the moving deck must reach it at the press, as the Stop button does.
    if (!svcr.deckAtRest() && (svcr.getscriptactive() || svcr.cueControlsLocked()))
        return pressed("Stop");
    if (refusedForCapture()) return;
    // Decided where the frames go, after every key pressed before it has been sent and answered:
    // L then Space stops the shuttle, Space twice stops and plays again.
    svcr.post([this] {
        const std::string command = svcr.deckAtRest() ? "Play" : "Stop";
        onGui([this, command] { showPressed(command); });
        DispatchButton(svcr, command);
    });
}

void LocalGUI::shuttleKey(int direction) {
    // The rung is worked out where the frames go, in turn with every other action: two quick
    // presses step twice, and a frame sent meanwhile by anything else starts the ladder again.
    svcr.post([this, direction] {
        const int rung = ShuttleStep(svcr, ladder, direction);
        onGui([this, rung] { showShuttle(rung); });
    });
}

void LocalGUI::showShuttle(int rung) {
    // The bar only follows: its own frame has gone already.
    const QSignalBlocker quiet(vsb);
    vsb->setValue(ShuttleLadder::barValue(rung));
}

void LocalGUI::setToolTips() {
    const std::pair<const char*, const char*> keys[] = {
        {"Play >", "Space: play when the deck was last told to stop or pause"},
        {"Stop *", "Escape; Space while the deck moves"},
        {"Pause ||", "K"},
        {"< Jog", "Left arrow"},
        {"Jog >", "Right arrow"},
        {"SetIn", "I"},
        {"SetOut", "O"},
    };
    for (const auto& [label, tip] : keys) button(label)->setToolTip(tip);
    vsb->setToolTip("L: forward 1x, 2x, 5x; J: reverse 1x, 2x, 5x; against the motion: a step "
                    "back; K: still");
}

void LocalGUI::ONTOP(bool checked) {
    if (checked && !keep) {
        keep = std::make_unique<KeepAwake>([this] { showWindow(); });
        keep->start();
    } else if (!checked && keep) {
        keep->kill();
        keep.reset();
    }
}

QPushButton* LocalGUI::button(const std::string& label) const {
    auto it = buttons.find(label);
    return it == buttons.end() ? nullptr : it->second;
}

void LocalGUI::ShowTC(const std::string& text) {
    timeTexts.setTime(text);
}

void LocalGUI::showTimeLive(bool live) {
    if (timeLive.exchange(live) == live) return;
    refresh(livePending, [this] { tcfield->setColour(timeLive ? tccolor : tcgrey); });
}

void LocalGUI::applyText(TimeTexts::Field f) {
    const QString text = QString::fromStdString(timeTexts.text(f));
    if (f == TimeTexts::Field::Time) {
        tcfield->setText(text);
        return;
    }
    QLineEdit* field = f == TimeTexts::Field::In ? cuefield : endfield;
    // An unchanged text is not set again: no repaint, and the cursor of a field being typed
    // in stays where it is.
    if (field->text() != text) field->setText(text);
}

void LocalGUI::ShowStatus(const std::string& text) {
    {
        // The same text again is shown already, or will be by the update on its way.
        std::lock_guard lock(latestMutex);
        if (latestStatus == text) return;
        latestStatus = text;
    }
    refresh(statusPending, [this] { applyStatus(); });
}

void LocalGUI::applyStatus() {
    QString text;
    {
        std::lock_guard lock(latestMutex);
        text = QString::fromStdString(latestStatus);
    }
    if (statusfield->text() != text) statusfield->setText(text);
}

void LocalGUI::showMarks(const std::vector<Mark>& marks) {
    {
        std::lock_guard lock(latestMutex);
        if (latestMarks == marks) return;
        latestMarks = marks;
    }
    refresh(marksPending, [this] { applyMarks(); });
}

void LocalGUI::applyMarks() {
    std::vector<Mark> marks;
    {
        std::lock_guard lock(latestMutex);
        marks = latestMarks;
    }
    const std::vector<QRect> before = markRects;
    clearbuttons();
    for (const Mark m : marks) hilight(m);
    if (markRects != before) update();
}

QWidget* LocalGUI::markedControl(Mark mark) const {
    switch (mark) {
    case Mark::Play:
        return button("Play >");
    case Mark::Record:
        return button("REC");
    case Mark::Fwd:
        return button("Fwd >>");
    case Mark::Rew:
        return button("<< Rew");
    case Mark::Stop:
        return button("Stop *");
    case Mark::Sbyon:
        return button("SbyON");
    case Mark::Shuttle:
        return vsb;
    case Mark::JogF:
        return button("Jog >");
    case Mark::JogR:
        return button("< Jog");
    }
    return nullptr;
}

void LocalGUI::hilight(Mark mark) {
    const QRect g = markedControl(mark)->geometry();
    markRects.emplace_back(g.x(), g.y() - 2, g.width(), 2);
}

void LocalGUI::clearbuttons() {
    // The transport, E-E and jog rows and the shuttle bar: every place a mark can be.
    const int rows[] = {button("Play >")->y(), button("EEOn")->y(), button("< Jog")->y(), vsb->y()};
    std::erase_if(markRects, [&](const QRect& r) {
        for (int row : rows)
            if (r.y() == row - 2) return true;
        return false;
    });
}

std::vector<QRect> LocalGUI::marks() const {
    return markRects;
}

void LocalGUI::showWindow() {
    onGui([this] {
        show();
        raise();
    });
}

void LocalGUI::enableLogger(bool on) {
    onGui([this, on] {
        blogger->setEnabled(on);
        QPalette p = blogger->palette();
        p.setColor(QPalette::Button, on ? lightGrey : darkGrey);
        blogger->setPalette(p);
    });
}

void LocalGUI::openLogger() {
    onGui([this] {
        const std::string name = ProductName(svcr.config());
        loggergui = std::make_unique<LoggerGUI>(svcr, name, " " + name, svcr.config().verbose);
        loggergui->setClosedHandler([this] {
            {
                std::lock_guard lock(loggedMutex);
                openLog.reset();
            }
            enableLogger(true);
        });
        loggergui->setTransportKeys([this](KeyAction action) { return keyAction(action); });
        loggergui->setListPlace(&listPlace);
        loggergui->setChangeHandler([this](const EventList& events) {
            std::lock_guard lock(loggedMutex);
            logged = events;
            openLog = events;
        });
        if (loggerSetup) loggerSetup(*loggergui);
        loggergui->showCueLock(svcr.cueControlsLocked());
        loggergui->show();
        // One logger at a time: the button waits for this one to close.
        enableLogger(false);
        loggergui->offerRecovery();
    });
}

std::optional<EventList> LocalGUI::loggedEvents() {
    std::lock_guard lock(loggedMutex);
    return logged;
}

std::optional<EventList> LocalGUI::openLogEvents() {
    std::lock_guard lock(loggedMutex);
    return openLog;
}

void LocalGUI::showCapture() {
    onGui([this] {
        if (!capturewindow) {
            const timecode::Rate rate = svcr.rate();
            capturewindow = std::make_unique<CaptureWindow>(
                svcr.capture().batch(), rate.dropFrame ? 1001.0 / 30 : 1000.0 / rate.fps, rate,
                ProductName(svcr.config()));
        }
        capturewindow->refresh();
        capturewindow->show();
        capturewindow->raise();
    });
}

void LocalGUI::loadList(const std::string& path, std::function<void(const std::string&)> done) {
    onGui([this, path, done = std::move(done)] {
        if (loggergui && loggergui->isVisible()) {
            loggergui->loadList(path, done);
            return;
        }
        // Queued before the logger opens: a question it asks first (whether to recover an
        // autosaved log) is still open when the load runs, and refuses it, so the command never
        // waits for an answer from a window nobody may be at.
        QMetaObject::invokeMethod(
            this, [this, path, done] { loggergui->loadList(path, done); }, Qt::QueuedConnection);
        svcr.CommandBLogger();
    });
}

void LocalGUI::logMark(bool out) {
    onGui([this, out] {
        if (!loggergui) return;
        if (out)
            loggergui->setout();
        else
            loggergui->setin();
    });
}

void LocalGUI::lockCueControls(bool) {
    // As the controller holds them when the window comes to it: a lock and an unlock posted from
    // two threads may arrive in either order.
    onGui([this] {
        const bool locked = svcr.cueControlsLocked();
        for (const char* label : {"CueIn", "CueOut", "Cue/Play", "Review"}) {
            QPushButton* b = button(label);
            b->setEnabled(!locked);
            QPalette p = b->palette();
            p.setColor(QPalette::Button, locked ? darkGrey : lightGrey);
            b->setPalette(p);
        }
        cuefield->setReadOnly(locked);
        endfield->setReadOnly(locked);
        if (loggergui) loggergui->showCueLock(locked);
    });
}

void LocalGUI::setClipboard(const std::string& text) {
    onGui([text] { QGuiApplication::clipboard()->setText(QString::fromStdString(text)); });
}

void LocalGUI::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    for (const QRect& r : markRects) painter.fillRect(r, Qt::red);
}

void LocalGUI::closeEvent(QCloseEvent* event) {
    // The window stays until the close sequence (which may stop the deck) ends the program.
    event->ignore();
    // A log with changes not saved is asked about first; Cancel keeps the program running.
    if (loggergui && !loggergui->mayClose()) return;
    svcr.CloseMain();
}
