#pragma once

#include "engine/soundoutput.h"
#include "runtime/picture.h"

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <vector>

class QImage;
class QPainter;

// The push button's stateless colour, drawing, picture and sound routines.
//
// Colours are 32-bit values laid out as 0x00BBGGRR; a negative value
// (0x80000000 + n) names system colour n, resolved through the application
// palette. Drawing goes through a QPainter without antialiasing and follows
// the pixel rules the button was designed with: a line leaves out its end
// point, a box covers (x, y) up to but not including (x + w, y + h).
namespace modBas {

using Colour = qint32;

inline constexpr Colour kSystemColourFlag = static_cast<Colour>(0x80000000u);
inline constexpr Colour kButtonFace = static_cast<Colour>(0x8000000Fu);

// System colour indices used by the edges (Windows numbering).
inline constexpr int kColorBtnFace = 15;
inline constexpr int kColorBtnShadow = 16;
inline constexpr int kColorBtnHighlight = 20;
inline constexpr int kColor3DDkShadow = 21;
inline constexpr int kColor3DLight = 22;

constexpr Colour systemColour(int index)
{
    return static_cast<Colour>(0x80000000u | static_cast<quint32>(index));
}
constexpr Colour rgb(int r, int g, int b)
{
    return r + 256 * g + 65536 * b;
}

// ---- colours ---------------------------------------------------------------

// Non-negative: unchanged. A system colour: its palette colour. Anything that
// cannot be translated: 0 (black).
Colour ResolveColor(Colour k);
int RedOf(Colour k);
int GreenOf(Colour k);
int BlueOf(Colour k);
// Plain RGB of the resolved colour.
Colour NormalizeColor(Colour k);
// Lightens (amount > 0) or darkens (amount < 0); blue moves by amount * B / 192.
Colour ShiftColor(Colour k, qint32 amount);
// The lighter companion of a background: v + 76 - 19 * floor((v + 32) / 64) per channel.
int SmoothChannel(int v);
Colour SmoothColor(Colour k);
// Resolved colour as a QColor.
QColor toQColor(Colour k);

// ---- drawing ---------------------------------------------------------------

// A 1-pixel line from (x1, y1) towards (x2, y2), the end point left out.
void DrawLine(QPainter& p, int x1, int y1, int x2, int y2, Colour k);
// The box (x, y)-(x + w, y + h): filled, or its 1-pixel inner frame.
void PaintBox(QPainter& p, int x, int y, int w, int h, Colour k, bool frameOnly);
// 0 <= x <= width and 0 <= y <= height.
bool IsPointInBox(float x, float y, float width, float height);
// A one-pixel inner edge on all four sides of (x, y, w, h): raised (highlight
// top-left, shadow bottom-right) or sunken (dark shadow top-left, light
// bottom-right). The bottom-right lines cover the corners they share.
void DrawInnerEdge(QPainter& p, int x, int y, int w, int h, bool sunken);
// Fills a polygon the way a GDI polygon region does: a pixel belongs to it when
// its top-left corner lies inside (left edges in, right edges out).
void FillPolygon(QPainter& p, const std::vector<QPoint>& corners, Colour k);
// The dotted focus rectangle (x, y)-(right, bottom): every other pixel of its
// 1-pixel frame inverted. Needs a QImage under the painter; else nothing.
void DrawFocusRect(QPainter& p, int left, int top, int right, int bottom);

// Draws the picture into (x, y, w, h): effect 0 plain, 1 grey (grey mode) or
// mid-grey silhouette, 2 embossed. Icons (pictures with transparency) keep
// the background where they are transparent; the background is read from the
// QImage under the painter. Nothing is drawn for a zero size, an empty picture
// or an effect outside 0..2.
void DrawPictureEffect(QPainter& p, int x, int y, int w, int h, const veltrin::PictureRef& picture,
    int srcWidth, int srcHeight, int effect, bool greyMode);

// ---- pixel arithmetic of the effects ----------------------------------------
//
// A DIB buffer: 24-bit, bottom-up (row 0 is the bottom line on screen), pixel
// bytes blue, green, red, each row padded to a multiple of 4 bytes.
namespace dib {

using Buffer = std::vector<std::uint8_t>;

int stride(int width);
std::size_t offset(int width, int column, int row);
// The image's pixels (any format, read as opaque RGB) as a w x h buffer.
Buffer fromImage(const QImage& image);
QImage toImage(const Buffer& buffer, int width, int height);

// g = N(G * 0.59 + N(R * 0.30) + B * 0.11), N rounding half to even.
int greyLevel(int red, int green, int blue);
// Grey mode: the pixel's grey level in all three bytes; otherwise (128, 128, 128).
void recolourPixel(std::uint8_t* bgr, bool greyMode);
void recolourAll(Buffer& buffer, int width, int height, bool greyMode);
// Recolours the pixels of composed that differ from background.
void recolourChanged(
    const Buffer& background, Buffer& composed, int width, int height, bool greyMode);
// Changed pixels become (128, 128, 128); an unchanged pixel becomes white when
// the pixel above it on screen, or else the one to its left, was changed.
void emboss(const Buffer& background, Buffer& composed, int width, int height);

} // namespace dib

// ---- sound -----------------------------------------------------------------

// Plays a WAV image asynchronously, one at a time (the engine's output).
using SoundOutput = veltrin::SoundOutput;

// The engine's output: the first audio sink that opens, else a clock-synced
// fake sink so a sound still takes its time on machines without a sound device.
SoundOutput& gstreamerSoundOutput();
// Replaces the output PlayResourceSound uses (nullptr: back to GStreamer).
void setSoundOutput(SoundOutput* output);
SoundOutput& soundOutput();

// The program's sound resource of that name (":/sounds/<NAME>.wav", names
// compared without regard to case); empty when there is none.
QByteArray SoundResource(const QString& name);
// Plays the named sound resource; a blank name or a missing resource is
// silent. Returns whether a sound was started.
bool PlayResourceSound(const QString& name);

} // namespace modBas
