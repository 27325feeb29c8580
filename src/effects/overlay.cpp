// Overlay: grey pictures from an 8-bit PCX list, added to or subtracted from
// the frame in a black or a white form.
//
// The buffer keeps the picture last loaded in the form last drawn, so a
// steady overlay costs one saturating add or subtract per frame; a change of
// number reloads the picture and a change of form inverts the buffer once.
#include "effects/overlay.h"

#include <vector>

#include "effects/framebuffer.h"
#include "effects/parameters.h"
#include "kernel/services.h"
#include "resources/picture.h"
#include "support/string.h"
#include "support/text.h"

namespace {

constexpr int kWidth = 512, kHeight = 384;
constexpr int kPixels = kWidth * kHeight;

struct sOverlayState {
    std::vector<String> names;     // pictures in the order of the list's lines
    std::vector<uint32_t> buffer;  // kPixels words once initialised
    // The overlay::number value whose picture is in the buffer. `loaded` is
    // kept beside it so that the first draw loads whatever the number holds
    // (a number of -1.0 would otherwise match the "nothing yet" value and
    // draw an empty buffer).
    bool loaded = false;
    float loadedNumber = -1.0f;
    float form = 0.0f;  // 0.0: buffer holds the black form, 1.0: the white form
};

sOverlayState g_overlay;

// The list entry a number names: truncated toward zero, then held inside the
// list so that a stray number shows the nearest picture instead of reading
// past the list. NaN and negative numbers give the first picture.
size_t OverlayIndex(float number, size_t count) {
    if (!(number >= 1.0f)) return 0;
    if (number >= static_cast<float>(count)) return count - 1;
    return static_cast<size_t>(number);  // truncation toward zero
}

void LoadOverlay(float number) {
    if (g_overlay.names.empty()) FatalError("overlay.ini: no overlay pictures listed");
    const char* name = g_overlay.names[OverlayIndex(number, g_overlay.names.size())].CStr();
    sPicture picture = LoadPcx8(name);
    Log("bla");
    if (picture.width != kWidth || picture.height != kHeight)
        FatalError("%s: expected a %d x %d overlay picture, got %d x %d", name, kWidth, kHeight,
                   picture.width, picture.height);
    // The palette is not used: the index itself is the grey level, inverted,
    // copied into blue, green and red (top byte 0).
    const uint8_t* index = picture.indexed.data();
    uint32_t* out = g_overlay.buffer.data();
    for (int k = 0; k < kPixels; ++k) out[k] = (255u - index[k]) * 0x010101u;
    Log("bla");
    g_overlay.loaded = true;
    g_overlay.loadedNumber = number;
    g_overlay.form = 0.0f;
}

}  // namespace

void OverlayInit() {
    LineList lines = LineList::FromFile("overlay.ini", true);
    g_overlay = sOverlayState{};
    for (String line = lines.FirstLine(); !(line == kEndMarker); line = lines.NextLine()) {
        if (g_overlay.names.size() == kMaxOverlayNames)
            FatalError("overlay.ini: more than %zu overlay pictures listed", kMaxOverlayNames);
        Log("line: %s", line.CStr());
        g_overlay.names.push_back(line);
    }
    Log("num files: %d", static_cast<int>(g_overlay.names.size()));
    g_overlay.buffer.assign(kPixels, 0);
}

void OverlayRender(uint32_t* frame) {
    if (!g_overlay.loaded || g_overlay.loadedNumber != overlay::number) LoadOverlay(overlay::number);
    if (g_overlay.form != overlay::colour) {
        InvertBuffer(g_overlay.buffer.data(), kPixels);
        g_overlay.form = overlay::colour;
    }
    if (overlay::add == 1.0f)
        AddBuffer(frame, g_overlay.buffer.data(), kPixels);
    else
        SubBuffer(frame, g_overlay.buffer.data(), kPixels);
}
