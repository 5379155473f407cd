#include "CmxClips.h"

#include "Utf8Text.h"

bool CmxClips::event(const CmxEventLine& line, timecode::Rate rate) {
    const bool transition = line.transition != CmxTransition::Cut;
    // A transition's outgoing side is the line before it: a cut of no length (whatever its
    // number), or a clip of the same event. A transition after a clip of another event (a key
    // over the picture before it) stands alone: its FROM CLIP NAME is its own.
    const bool sameEvent = !lastNumber.empty() && line.number == lastNumber;
    outgoing = -1;
    incoming = transition && (zeroLengthCut || sameEvent);
    if (transition && zeroLengthCut) {
        takeBack(current);
        ++result.passedOver;
    } else if (incoming) {
        outgoing = current;
    }
    lastNumber = line.number;
    zeroLengthCut = false;
    // Editing systems start black at a zero source; a reel BL with a source time of its own is a
    // tape of that name (KOLB's lists wrote one so before they said it in a TAPE comment).
    const bool black =
        (line.reel == "BL" || line.reel == "BLACK") && timecode::IsZero(line.sourceIn);
    const bool noSource =
        timecode::IsZero(line.sourceIn) && timecode::IsZero(line.sourceOut) &&
        timecode::FrameCount(line.recordIn) != timecode::FrameCount(line.recordOut);
    if (black || noSource) {
        // No clip: the comments after it say nothing, but for a FROM CLIP NAME that names the
        // outgoing side of a transition to black.
        ++result.passedOver;
        current = -1;
        pendingTo.reset();
        comments.noClip();
        return true;
    }
    if (result.stored >= EventList::size) return false;
    const int k = result.stored++;
    held = {events.ClipNameArray[k], events.SrcInArray[k], events.SrcOutArray[k],
            events.TapeArray[k],     events.NotesArray[k], events.GoodArray[k]};
    const std::string reel = TextFromBytes(line.reel);
    events.ClipNameArray[k] = reel;
    named[k] = false;
    if (transition && pendingTo) name(k, *pendingTo);
    pendingTo.reset();
    comments.event(k, reel);
    events.SrcInArray[k] = line.sourceIn;
    events.SrcOutArray[k] = OutOfListEvent(line.sourceIn, line.sourceOut, rate);
    current = k;
    zeroLengthCut = !transition && timecode::FrameCount(line.sourceIn, rate) ==
                                       timecode::FrameCount(line.sourceOut, rate);
    return true;
}

void CmxClips::noClip() {
    current = -1;
    lastNumber.clear();
    outgoing = -1;
    incoming = zeroLengthCut = false;
    pendingTo.reset();
    comments.noClip();
}

void CmxClips::comment(const CmxCommentLine& comment) {
    const std::string text = TextFromBytes(comment.text);
    switch (comment.kind) {
    case CmxComment::FromClipName:
        name(incoming ? outgoing : current, text);
        break;
    case CmxComment::ToClipName:
        if (incoming)
            name(current, text);
        else if (zeroLengthCut)
            pendingTo = text; // for the incoming side that follows, if one does
        break;
    case CmxComment::SourceFile:
        break;
    default:
        comments.said(comment.kind, text);
    }
}

void CmxClips::name(int k, const std::string& text) {
    if (k < 0 || named[k]) return;
    events.ClipNameArray[k] = text;
    named[k] = true;
}

void CmxClips::takeBack(int k) {
    --result.stored;
    events.ClipNameArray[k] = held.name;
    events.SrcInArray[k] = held.in;
    events.SrcOutArray[k] = held.out;
    events.TapeArray[k] = held.tape;
    events.NotesArray[k] = held.notes;
    events.GoodArray[k] = held.good;
    comments.forget(k);
    current = -1;
}
