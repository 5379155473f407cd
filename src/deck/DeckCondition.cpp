#include "DeckCondition.h"

DeckCondition::Change DeckCondition::message(const std::string& text, Clock::time_point now) {
    heldText = text;
    heldUntil = now + std::chrono::milliseconds(holdMs);
    heldBelowConditions = text.starts_with(clientCommandPrefix);
    // A client's command under a condition leaves the field to the condition.
    return settle({}, now, !(heldBelowConditions && conditionHolds()));
}

DeckCondition::Change DeckCondition::writtenElsewhere(Clock::time_point now) {
    elsewhereUntil = now + std::chrono::milliseconds(holdMs);
    shownKnown = false;
    return {};
}

DeckCondition::Change DeckCondition::words(const std::string& text, Clock::time_point now) {
    wordsText = text;
    return settle({}, now, current(now) == text);
}

DeckCondition::Change DeckCondition::deckState(bool local, bool noTape, Clock::time_point now) {
    Change c;
    if (local != isLocal) {
        isLocal = local;
        c.log.emplace_back(local ? "Deck in LOCAL" : "Deck back in REMOTE");
        if (local) conditionBegins();
    }
    if (noTape != isNoTape) {
        isNoTape = noTape;
        c.log.emplace_back(noTape ? "No tape" : "Tape loaded");
        if (noTape) conditionBegins();
    }
    return settle(std::move(c), now);
}

DeckCondition::Change DeckCondition::timeDecoded(Clock::time_point now) {
    lastTime = now;
    Change c;
    if (isSilent) {
        isSilent = false;
        c.log.emplace_back("Deck replies again");
        c.live = true;
    }
    return settle(std::move(c), now);
}

DeckCondition::Change DeckCondition::linkState(bool lost, const std::string& text,
                                               Clock::time_point now) {
    Change c;
    if (lost != isLost) {
        isLost = lost;
        lostText = text;
        // The link writes its own lines ("Deck link lost", "Deck link restored").
        if (lost) conditionBegins();
    }
    return settle(std::move(c), now);
}

void DeckCondition::watchFrom(Clock::time_point now) {
    lastTime = now;
}

DeckCondition::Change DeckCondition::tick(Clock::time_point now) {
    Change c;
    if (!isSilent && lastTime && now - *lastTime >= std::chrono::milliseconds(silenceMs)) {
        isSilent = true;
        conditionBegins();
        c.log.emplace_back(silentText);
        c.live = false;
        c.clearMarks = true;
    }
    return settle(std::move(c), now);
}

std::optional<std::string> DeckCondition::unanswered() const {
    if (isLost) return lostText;
    if (isSilent) return std::string(silentText);
    return std::nullopt;
}

std::string DeckCondition::current(Clock::time_point now) const {
    if (heldUntil && now < *heldUntil && !(heldBelowConditions && conditionHolds()))
        return heldText;
    if (isLost) return lostText;
    if (isSilent) return silentText;
    if (isLocal) return localText;
    if (isNoTape) return noTapeText;
    return wordsText;
}

DeckCondition::Change DeckCondition::settle(Change change, Clock::time_point now, bool fresh) {
    if (heldUntil && now >= *heldUntil) heldUntil.reset();
    if (elsewhereUntil && now >= *elsewhereUntil) elsewhereUntil.reset();
    std::string text = current(now);
    // A condition waits out the text written past this record; fresh news does not.
    const bool messageOnShow = heldUntil && !(heldBelowConditions && conditionHolds());
    const bool onShow = !messageOnShow && conditionHolds();
    if (!fresh && elsewhereUntil && onShow) return change;
    // Only a condition is given again over the other text: a message or the words keep to
    // their own rules.
    if (fresh || (!shownKnown && onShow) || text != shownText) {
        shownText = text;
        shownKnown = true;
        change.status = std::move(text);
    }
    return change;
}
