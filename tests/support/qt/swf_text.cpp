// Text in an embedded font: the outlines come from a real font file, so that a Chinese character
// is drawn as itself, with its counters and many strokes.

#include <QPainterPath>
#include <QRawFont>
#include <algorithm>
#include <cmath>

#include "swf.h"
#include "swf_bits.h"

namespace qctest {

using namespace swfbits;

namespace {

const int kEm = 1024;       // a DefineFont2 glyph's square
const int kGlyphBits = 14;  // coordinates and steps of a glyph, signed: within +-8191

// One glyph's SHAPE: its outline flattened to polygons, every edge straight, all on fill style 1.
std::string glyphShape(const QPainterPath& outline) {
    BitWriter s;
    s.put(1, 4);  // fill bits
    s.put(0, 4);  // line bits
    bool first = true;
    for (const QPolygonF& polygon : outline.toSubpathPolygons()) {
        if (polygon.size() < 3) continue;
        int x = int(std::lround(polygon[0].x())), y = int(std::lround(polygon[0].y()));
        s.put(first ? 0b000101 : 0b000001, 6);  // style change: move to (the first also picks fill 1)
        s.put(kGlyphBits, 5);
        s.put(sbits(x, kGlyphBits), kGlyphBits);
        s.put(sbits(y, kGlyphBits), kGlyphBits);
        if (first) s.put(1, 1);
        first = false;
        for (int i = 1; i <= polygon.size(); ++i) {
            const QPointF p = polygon[i % polygon.size()];
            const int nx = int(std::lround(p.x())), ny = int(std::lround(p.y()));
            if (nx == x && ny == y) continue;
            s.put(0b11, 2);  // straight edge
            s.put(kGlyphBits - 2, 4);
            s.put(1, 1);  // general line
            s.put(sbits(nx - x, kGlyphBits), kGlyphBits);
            s.put(sbits(ny - y, kGlyphBits), kGlyphBits);
            x = nx;
            y = ny;
        }
    }
    s.put(0, 6);  // end of shape
    return s.bytes();
}

std::string glyphBounds(const QRectF& r) {
    BitWriter b;
    b.put(kGlyphBits, 5);
    for (const double v : {r.left(), r.right(), r.top(), r.bottom()})
        b.put(sbits(int(std::lround(v)), kGlyphBits), kGlyphBits);
    return b.bytes();
}

// DefineFont2 1, with its layout (a text field lays glyphs out by their advances).
std::string font(const QString& glyphs, const QString& fontFile) {
    const QRawFont raw(fontFile, kEm);
    const char16_t* units = reinterpret_cast<const char16_t*>(glyphs.utf16());
    std::vector<char16_t> codes(units, units + glyphs.size());
    std::sort(codes.begin(), codes.end());  // a code table is in ascending order
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    std::vector<std::string> shapes;
    std::string advances, bounds;
    for (const char16_t c : codes) {
        const QChar ch(c);
        const QList<quint32> index = raw.glyphIndexesForString(QString(ch));
        const QPainterPath outline = index.isEmpty() ? QPainterPath() : raw.pathForGlyph(index[0]);
        shapes.push_back(glyphShape(outline));
        const QList<QPointF> advance = raw.advancesForGlyphIndexes(index);
        putU16(advances, unsigned(std::lround(advance.isEmpty() ? kEm : advance[0].x())));
        bounds += glyphBounds(outline.boundingRect());
    }
    const std::string name = "qcHei";
    std::string body;
    putU16(body, 1);
    body += char(0x80 | 0x08 | 0x04);  // layout, wide offsets, wide (UTF-16) codes
    body += char(5);                   // language: simplified Chinese
    body += char(name.size()) + name;
    putU16(body, unsigned(codes.size()));
    uint32_t offset = uint32_t(4 * (codes.size() + 1));
    for (const std::string& shape : shapes) {
        putU32(body, offset);
        offset += uint32_t(shape.size());
    }
    putU32(body, offset);  // the code table, after the shapes
    for (const std::string& shape : shapes) body += shape;
    for (const char16_t c : codes) putU16(body, c);
    putU16(body, unsigned(std::lround(raw.ascent())));
    putU16(body, unsigned(std::lround(raw.descent())));
    putU16(body, 0);  // leading
    body += advances + bounds;
    putU16(body, 0);  // no kerning pairs
    return tag(48, body);
}

// DefineFont2 1 with a name only, no glyphs: how a movie asks for a device font.
std::string deviceFont(const QString& fontName) {
    const std::string name = fontName.toStdString();
    std::string body;
    putU16(body, 1);
    body += char(0);  // no layout, narrow codes
    body += char(5);  // language: simplified Chinese
    body += char(name.size()) + name;
    putU16(body, 0);  // no glyphs, and so no tables
    return tag(48, body);
}

// DefineEditText 2 over the field's area, in font 1 at 64 pixels: with its outlines, or in the
// device font of that name.
std::string field(QColor ink, const QString& text, bool outlines = true) {
    std::string body;
    putU16(body, 2);
    BitWriter r;
    r.put(15, 5);
    for (const int v : {kTextLeft, kTextRight, kTextTop, kTextBottom}) r.put(uint32_t(v * 20), 15);
    body += r.bytes();
    body += char(0x80 | 0x08 | 0x04 | 0x01);     // text, read-only, a colour, a font
    body += char(0x10 | (outlines ? 0x01 : 0));  // not selectable; drawn with the embedded outlines?
    putU16(body, 1);                             // the font
    putU16(body, 64 * 20);
    body += rgb(ink) + char(0xff);
    body += '\0';  // no variable
    body += text.toStdString() + '\0';
    return tag(37, body);
}

}  // namespace

std::string makeDeviceTextMovie(QColor background, QColor ink, const QString& text, const QString& fontName) {
    std::string tags = tag(9, rgb(background)) + deviceFont(fontName) + field(ink, text, false);
    tags += tag(26, std::string{char(0x02), char(1), char(0), char(2), char(0)});  // PlaceObject2 2 at depth 1
    tags += tag(1, "");
    return file(8, 1, tags);
}

std::string makeTextMovie(QColor background, QColor ink, const QString& text, const QString& glyphs,
                          const QString& fontFile) {
    std::string tags = tag(9, rgb(background)) + font(glyphs, fontFile) + field(ink, text);
    tags += tag(26, std::string{char(0x02), char(1), char(0), char(2), char(0)});  // PlaceObject2 2 at depth 1
    tags += tag(1, "");
    return file(8, 1, tags);
}

}  // namespace qctest
