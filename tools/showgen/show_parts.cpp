#include "show_parts.h"

#include "content_balls.h"
#include "content_bars.h"
#include "content_net5.h"
#include "content_overlay.h"
#include "content_raytrace.h"
#include "content_roto.h"
#include "content_tunnel.h"
#include "content_zoomer.h"
#include "kernel_pictures.h"
#include "resources/jpeg_writer.h"

std::vector<sPackEntry> KernelFiles() {
    auto jpeg = [](const sCanvas& c) { return EncodeJpegWords(c.w, c.h, c.px, 92); };
    return {
        {"loading.jpg", jpeg(MakeLoadingScreen(false))},
        {"loadingbar.jpg", jpeg(MakeLoadingScreen(true))},
        {"picture.jpg", jpeg(MakeShowPicture())},
    };
}

const std::vector<sContentPart>& ContentParts() {
    // One row per part; an effect adds {"tunnel", TunnelFiles} and so on.
    static const std::vector<sContentPart> parts = {
        {"kernel", KernelFiles},
        {"tunnel", TunnelFiles},
        {"zoomer", ZoomerFiles},
        {"roto", RotoFiles},
        {"overlay", OverlayFiles},
        {"balls", BallsFiles},
        {"net5", Net5Files},
        {"raytrace", RaytraceFiles},
        {"bars", BarsFiles},
    };
    return parts;
}
