#include "swf.h"

#include <cstdint>
#include <vector>

#include "swf_bits.h"

namespace qctest {

using namespace swfbits;

namespace {

const int kBits = 15;  // 8000 twips and a sign bit

// DefineShape 1: a rectangle over the whole stage, filled with one colour.
std::string square(QColor colour) {
    std::string body;
    putU16(body, 1);
    body += stageRect();
    body += char(1) + std::string(1, char(0)) + rgb(colour);  // one solid fill
    body += char(0);                                          // no line styles
    body += char(0x10);                                       // 1 fill bit, 0 line bits
    BitWriter s;
    s.put(0b000101, 6);  // style change: fill style 1, move to
    s.put(kBits, 5);
    s.put(0, kBits);
    s.put(0, kBits);
    s.put(1, 1);  // fill style 1
    const int edges[4][2] = {{0, 8000}, {1, 6000}, {0, -8000}, {1, -6000}};
    for (const auto& e : edges) {
        s.put(0b11, 2);       // straight edge
        s.put(kBits - 2, 4);  // its bits, less two
        s.put(0, 1);          // not general: horizontal or vertical
        s.put(uint32_t(e[0]), 1);
        s.put(uint32_t(e[1]), kBits);
    }
    s.put(0, 6);  // end of shape
    return tag(2, body + s.bytes());
}

}  // namespace

Actions& Actions::op(int code, const std::string& payload) {
    code_ += char(code);
    if (code >= 0x80) {
        putU16(code_, unsigned(payload.size()));
        code_ += payload;
    }
    return *this;
}

Actions& Actions::push(const std::string& text) { return op(0x96, char(0) + text + '\0'); }
Actions& Actions::push(int value) {
    std::string p(1, char(7));
    putU32(p, uint32_t(value));
    return op(0x96, p);
}
Actions& Actions::getVariable() { return op(0x1c); }
Actions& Actions::setVariable() { return op(0x1d); }
Actions& Actions::add() { return op(0x47); }
Actions& Actions::less() { return op(0x48); }
Actions& Actions::append(const Actions& more) {
    code_ += more.code_;
    return *this;
}
Actions& Actions::callMethod() { return op(0x52); }
Actions& Actions::getMember() { return op(0x4e); }
Actions& Actions::setMember() { return op(0x4f); }
Actions& Actions::pop() { return op(0x17); }
Actions& Actions::logicalNot() { return op(0x12); }
Actions& Actions::skipIfTrue(int bytes) {
    std::string p;
    putU16(p, unsigned(bytes));
    return op(0x9d, p);
}
Actions& Actions::gotoFrame(int index) {
    std::string p;
    putU16(p, unsigned(index));
    return op(0x81, p);
}
Actions& Actions::play() { return op(0x06); }
Actions& Actions::stop() { return op(0x07); }

Actions& Actions::loadVariables(const std::string& url, const std::string& target, Send send) {
    push(url).push(target);
    // GetURL2 flags, as players read them: the method in the low two bits, 0x40 a clip as the
    // target, 0x80 variables (the file format's documentation lists them the other way round).
    return op(0x9a, std::string(1, char(int(send) | 0x40 | 0x80)));
}

Actions& Actions::loadMovie(const std::string& url, int level) {
    push(url).push("_level" + std::to_string(level));
    return op(0x9a, std::string(1, char(0)));
}

std::string makeSwf(QColor colour, const std::string& next) {
    std::string tags = tag(9, rgb(colour));  // SetBackgroundColor
    if (!next.empty()) {
        std::string getUrl = next + '\0' + "_level0" + '\0';
        std::string action(1, char(0x83));  // ActionGetURL
        putU16(action, unsigned(getUrl.size()));
        action += getUrl;
        action += char(0);  // ActionEnd
        tags += tag(12, action);
    }
    tags += tag(1, "");  // ShowFrame
    return file(8, 1, tags);
}

std::string makeMovie(QColor background, const std::vector<Frame>& frames, QColor squareColour, int version) {
    std::string tags = tag(9, rgb(background)) + square(squareColour);
    bool placed = false;
    for (const Frame& f : frames) {
        if (f.showSquare && !placed) {
            tags += tag(26, std::string{char(0x02), char(1), char(0), char(1), char(0)});  // PlaceObject2 1 at depth 1
            placed = true;
        }
        if (!f.actions.code().empty()) tags += tag(12, f.actions.code() + '\0');
        tags += tag(1, "");
    }
    return file(version, uint16_t(frames.size()), tags);
}

std::string makeBusyMovie(QColor background, QColor square) {
    Frame shown;
    shown.showSquare = true;
    // Some 1.5 s of frames first, so that the square is on the screen before the script starts
    // (a player that is behind runs several frames before it draws).
    std::vector<Frame> frames(36);
    frames[0] = shown;
    Frame busy;
    busy.actions.push(1);
    constexpr int kIfSize = 5;  // the ActionIf that jumps back to the push, and over itself
    busy.actions.skipIfTrue(-int(busy.actions.code().size()) - kIfSize);
    frames.push_back(busy);
    return makeMovie(background, frames, square);
}

std::string makeWorkingMovie(QColor background, QColor square, int count) {
    Actions step;
    step.push("i").push("i").getVariable().push(1).add().setVariable();
    step.push("i").getVariable().push(count).less();
    Frame work;
    work.showSquare = true;
    constexpr int kIfSize = 5;
    work.actions.push("i").push(0).setVariable().append(step).skipIfTrue(-int(step.code().size()) - kIfSize);
    Frame again;
    again.actions.gotoFrame(0).play();
    return makeMovie(background, {work, again}, square);
}

std::string makeKeyMovie(QColor background, QColor pressed, int keyCode) {
    Actions poll;
    Actions jump;
    jump.gotoFrame(2);
    poll.push(keyCode).push(1).push("Key").getVariable().push("isDown").callMethod().logicalNot().skipIfTrue(
        int(jump.code().size()));
    Frame first{poll};
    first.actions.gotoFrame(2);
    Frame again;
    again.actions.gotoFrame(0).play();
    Frame shown;
    shown.actions.stop();
    shown.showSquare = true;
    return makeMovie(background, {first, again, shown}, pressed);
}

}  // namespace qctest
