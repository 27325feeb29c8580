// JPEG pictures through libjpeg, fed from the file layer's memory image.
//
// libjpeg reports errors by calling error_exit, which must not return; ours
// longjmps back into RunJpeg. Everything the callbacks touch is plain data in
// one JpegReader, and no object with a destructor lives in RunJpeg or in the
// callbacks, so the jump skips nothing that needs cleaning up. FatalError (a
// throw in the tests) is only called after libjpeg has been left and its
// structures destroyed.
#include "resources/picture.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "kernel/services.h"
#include "resources/file.h"
#include "resources/picture_p.h"

namespace {

// The decoder is fed through FileRead in blocks of this many bytes.
constexpr int32_t kJpegBlock = 4096;

enum class JpegResult { Ok, Failed, BadSize, BufferTooSmall };

struct JpegReader {
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    jpeg_source_mgr source;
    std::jmp_buf jump;
    sFileHandle* file;
    JOCTET block[kJpegBlock];
    char message[JMSG_LENGTH_MAX];
};

JpegReader& ReaderOf(j_common_ptr cinfo) { return *static_cast<JpegReader*>(cinfo->client_data); }
JpegReader& ReaderOf(j_decompress_ptr cinfo) { return *static_cast<JpegReader*>(cinfo->client_data); }

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    JpegReader& reader = ReaderOf(cinfo);
    (*cinfo->err->format_message)(cinfo, reader.message);
    std::longjmp(reader.jump, 1);
}

// libjpeg only warns about damaged entropy data and carries on with rows of
// made-up pixels; a picture like that is as broken as one that fails
// outright. Other warnings (unknown JFIF revision, stray bytes between
// segments) leave the pixels intact and are only logged.
bool IsDamage(int code) {
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
        return true;
    default:
        return false;
    }
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace output
    JpegReader& reader = ReaderOf(cinfo);
    (*cinfo->err->format_message)(cinfo, reader.message);
    if (IsDamage(cinfo->err->msg_code)) std::longjmp(reader.jump, 1);
    Log("   [DEMOGFX] load_jpg: %s: %s", reader.file->name.c_str(), reader.message);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// The file is complete in memory, so running dry means it was cut short.
// The standard sources insert a fake end marker and only warn; that would
// hand back a picture whose lower rows are grey filler.
boolean FillInputBuffer(j_decompress_ptr cinfo) {
    JpegReader& reader = ReaderOf(cinfo);
    int32_t got = FileRead(*reader.file, reader.block, kJpegBlock);
    if (got <= 0) ERREXIT(cinfo, JERR_INPUT_EOF);
    reader.source.next_input_byte = reader.block;
    reader.source.bytes_in_buffer = static_cast<size_t>(got);
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& source = ReaderOf(cinfo).source;
    while (static_cast<unsigned long>(count) > source.bytes_in_buffer) {
        count -= static_cast<long>(source.bytes_in_buffer);
        FillInputBuffer(cinfo);  // leaves through ERREXIT at the end of the data
    }
    source.next_input_byte += count;
    source.bytes_in_buffer -= static_cast<size_t>(count);
}

// Everything between setjmp and the last libjpeg call. `width` and `height`
// receive the output size once it is known.
JpegResult RunJpeg(JpegReader& reader, bool query, std::span<uint32_t> pixels, JDIMENSION* width,
                   JDIMENSION* height) {
    jpeg_decompress_struct& info = reader.info;
    if (setjmp(reader.jump)) return JpegResult::Failed;

    jpeg_create_decompress(&info);
    reader.source.init_source = InitSource;
    reader.source.fill_input_buffer = FillInputBuffer;
    reader.source.skip_input_data = SkipInputData;
    reader.source.resync_to_restart = jpeg_resync_to_restart;
    reader.source.term_source = TermSource;
    reader.source.next_input_byte = nullptr;
    reader.source.bytes_in_buffer = 0;
    info.src = &reader.source;

    jpeg_read_header(&info, TRUE);
    *width = info.image_width;
    *height = info.image_height;
    // Refused before start-up: a progressive picture is buffered whole by
    // jpeg_start_decompress.
    if (info.image_width > kMaxPictureSide || info.image_height > kMaxPictureSide)
        return JpegResult::BadSize;
    // Grey and YCbCr pictures both come out as RGB; CMYK ones cannot and end
    // in an error from jpeg_start_decompress.
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    *width = info.output_width;
    *height = info.output_height;
    if (query) return JpegResult::Ok;
    if (pixels.size() < static_cast<size_t>(info.output_width) * info.output_height)
        return JpegResult::BufferTooSmall;

    // One scanline of R, G, B bytes, from libjpeg's pool (freed by
    // jpeg_destroy, also after a jump).
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * 3, 1);
    while (info.output_scanline < info.output_height) {
        size_t y = info.output_scanline;
        if (jpeg_read_scanlines(&info, row, 1) != 1) ERREXIT(&info, JERR_INPUT_EMPTY);
        const JSAMPLE* rgb = row[0];
        uint32_t* out = pixels.data() + y * info.output_width;
        for (JDIMENSION x = 0; x < info.output_width; ++x, rgb += 3)
            out[x] = (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | uint32_t{rgb[2]};
    }
    jpeg_finish_decompress(&info);
    return JpegResult::Ok;
}

}  // namespace

void load_jpg(const char* name, std::span<uint32_t> pixels, bool query, int32_t* width,
              int32_t* height) {
    sFileHandle file = FileOpen(name);
    if (file.open != 1) FatalError("load_jpg: Could not find %s", name);

    JpegReader reader{};
    reader.file = &file;
    reader.info.err = jpeg_std_error(&reader.error);
    reader.error.error_exit = ErrorExit;
    reader.error.emit_message = EmitMessage;
    reader.info.client_data = &reader;

    JDIMENSION w = 0, h = 0;
    JpegResult result = RunJpeg(reader, query, pixels, &w, &h);
    // Safe on a struct whose creation failed: it only frees what exists.
    jpeg_destroy_decompress(&reader.info);
    FileClose(file);

    switch (result) {
    case JpegResult::Ok:
        break;
    case JpegResult::Failed:
        FatalError("load_jpg: Could not decode %s: %s", name, reader.message);
    case JpegResult::BadSize:
        CheckPictureSize("load_jpg", name, w, h);
        break;
    case JpegResult::BufferTooSmall:
        CheckPictureBuffer("load_jpg", name, pixels, static_cast<int32_t>(w),
                           static_cast<int32_t>(h));
        break;
    }
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
}
