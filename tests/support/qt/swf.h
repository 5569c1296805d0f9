#pragma once
// Tiny Flash movies made for the tests and benchmarks.

#include <QColor>
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace qctest {

// An uncompressed SWF of 400 x 300 pixels whose stage is one colour: SetBackgroundColor, ShowFrame.
// With `next`, its first frame also loads that address, relative to its own, in its place
// (DoAction: getURL(next, "_level0")).
std::string makeSwf(QColor colour, const std::string& next = "");

// AS1 bytecode for one frame (a DoAction tag), written the way Flash's compiler does.
class Actions {
public:
    enum class Send { None = 0, Get = 1, Post = 2 };
    Actions& push(const std::string& text);
    Actions& push(int value);
    Actions& getVariable();
    Actions& setVariable();
    Actions& add();   // the two values on top of the stack, added
    Actions& less();  // the second from top less than the top
    Actions& callMethod();
    Actions& getMember();  // object, name -> value
    Actions& setMember();  // object, name, value ->
    Actions& pop();
    Actions& logicalNot();
    Actions& skipIfTrue(int bytes);  // ActionIf over the next `bytes` of code (back, if negative)
    Actions& append(const Actions& more);
    Actions& gotoFrame(int index);  // from 0; stops there
    Actions& play();
    Actions& stop();
    // loadVariables(url, target [, method]): the target clip's variables go along with GET or POST.
    Actions& loadVariables(const std::string& url, const std::string& target, Send send = Send::None);
    // loadMovieNum(url, level).
    Actions& loadMovie(const std::string& url, int level);
    const std::string& code() const { return code_; }

private:
    Actions& op(int code, const std::string& payload = {});
    std::string code_;
};

// A movie of several frames at 24 a second, each with its actions; frames with `showSquare` show
// a square of `squareColour` over the whole stage (placed once, it stays).
struct Frame {
    Actions actions;
    bool showSquare = false;
};
std::string makeMovie(QColor background, const std::vector<Frame>& frames, QColor squareColour = Qt::green,
                      int version = 6);

// A movie that shows a square of `square` on its first frame, and 1.5 s later runs a script that
// never ends (an AS1 loop that jumps back to itself): the player's thread is busy from then on.
std::string makeBusyMovie(QColor background, QColor square);

// A movie that shows a square of `square`, then counts to `count` on every frame, without end: the
// player works all the time, but answers between frames.
std::string makeWorkingMovie(QColor background, QColor square, int count);

// Key.isDown(keyCode) polled every other frame: the stage turns `pressed` once the key is down.
std::string makeKeyMovie(QColor background, QColor pressed, int keyCode);

// Where makeTextMovie's field lies on the stage, in pixels.
inline constexpr int kTextLeft = 20, kTextTop = 100, kTextRight = 380, kTextBottom = 200;

// A read-only text field showing `text` in a font carried in the movie (DefineFont2 with UTF-16
// codes, as Flash writes a Chinese font), drawn only with those outlines (useOutlines). The font
// holds the outlines of `glyphs`, taken from the font file at `fontFile`; a character of `text`
// missing from `glyphs` is not drawn at all.
std::string makeTextMovie(QColor background, QColor ink, const QString& text, const QString& glyphs,
                          const QString& fontFile);

// A movie of `frames` packed as Flash packs it: 'C' zlib (CWS), 'Z' LZMA (ZWS), its header
// declaring `declared` bytes (0: its true length).
std::string packSwf(const std::string& fws, char kind, uint32_t declared = 0);
// A compression bomb: a red stage, then `unpacked` bytes of zeros, packed ('C' or 'Z') into a
// small file whose header declares `declared` bytes (0: the truth, past 4 GB as 4 GB).
std::string makeSwfBomb(char kind, uint64_t unpacked, uint32_t declared);
// The same field in a device font: the movie names the font (`fontName`, as Chinese games name
// 宋体 or 黑体) and carries none of its outlines, so the player draws with a font of the system's.
std::string makeDeviceTextMovie(QColor background, QColor ink, const QString& text, const QString& fontName);

}  // namespace qctest
