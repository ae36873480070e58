#include "imaging/JpegSnapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "imaging/ImagingLog.h"
#include "platform/log/Log.h"

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define NITIDOR_HAVE_SSSE3_PATH 1
#endif

namespace {

// The library hands JpegErrorExit only the decompression object; its err pointer is the
// address of this record, which is how the jump context is reached.
struct JpegErrorRecord {
    jpeg_error_mgr mgr;  // must stay the first member
    std::jmp_buf recovery;
    void (*standardEmitMessage)(j_common_ptr, int);
};

// The library reports lost or garbled picture data only as warnings and goes on, filling
// what it could not decode with grey; such a stream must not pass for a good still.
bool IsDamagedPicture(const JpegErrorRecord& record) {
    switch (record.mgr.msg_code) {
        case JWRN_JPEG_EOF:           // the stream ends before its end marker
        case JWRN_HIT_MARKER:         // a scan's data ends before its last block
        case JWRN_HUFF_BAD_CODE:      // entropy data that no code matches
        case JWRN_ARITH_BAD_CODE:     // the same for arithmetic coding
        case JWRN_MUST_RESYNC:        // a restart marker out of order: a segment lost or skipped
        case JWRN_BOGUS_PROGRESSION:  // progressive scans that do not add up to the picture
            return true;
        // Webcams commonly pad a frame before its end marker; the picture decodes whole.
        case JWRN_EXTRANEOUS_DATA:
        default:  // JFIF revision, Adobe transform, ICC, sloppy SOS fields: nothing lost
            return false;
    }
}

// The library's own output of a message it lets pass (a harmless warning, a trace): debug
// output, not the standard error stream the library would write to.
void JpegOutputMessage(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    LogDebug(kLogImaging, "JPEG: %s", text);
}

// Warnings come here (level -1) as well as traces; damage ends the decode as an error does.
void JpegEmitMessage(j_common_ptr cinfo, int msgLevel) {
    auto* record = reinterpret_cast<JpegErrorRecord*>(cinfo->err);
    if (msgLevel < 0 && IsDamagedPicture(*record)) {
        JpegErrorExit(cinfo);
    }
    record->standardEmitMessage(cinfo, msgLevel);
}

enum class DecodeOutcome { kDecoded, kLibraryError, kRefused };

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// "w+b" semantics, except that a symbolic link planted at the name is refused instead of
// followed, and so is anything but a regular file (a FIFO would block the write forever) or
// a file with another name (its contents would be overwritten). The file is emptied only
// once it has passed, so a refused one keeps what it held.
FilePtr OpenTempFile(std::string& reason) {
    const int fd = ::open(kJpegTempFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = std::strerror(errno);
        LogWarning(kLogImaging, "JPEG: %s not opened: %s", kJpegTempFileName, reason.c_str());
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink > 1 ||
        ::ftruncate(fd, 0) != 0) {
        reason = "it is no regular file of one name, or could not be emptied";
        LogWarning(kLogImaging, "JPEG: %s refused: %s", kJpegTempFileName, reason.c_str());
        ::close(fd);
        return nullptr;
    }
    FILE* file = ::fdopen(fd, "w+b");
    if (file == nullptr) {
        reason = std::strerror(errno);
        LogWarning(kLogImaging, "JPEG: %s not opened as a stream: %s", kJpegTempFileName,
                   reason.c_str());
        ::close(fd);
        std::remove(kJpegTempFileName);
        return nullptr;
    }
    return FilePtr(file);
}

BOOL WriteStream(FILE* file, const BYTE* stream, DWORD length, std::string& reason) {
    // A failure can surface only when the stdio buffer is flushed; without the flush a
    // truncated file would decode into a grey-padded picture reported as success.
    if ((length != 0 && std::fwrite(stream, 1, length, file) < length) || std::fflush(file) != 0 ||
        std::fseek(file, 0, SEEK_SET) != 0) {
        reason = std::strerror(errno);
        LogWarning(kLogImaging, "JPEG: %u bytes not written to %s: %s", length, kJpegTempFileName,
                   reason.c_str());
        return false;
    }
    return true;
}

// Runs below the recovery point: no object with a destructor may live in this frame, since
// JpegErrorExit can leave it at any library call.
DecodeOutcome DecodeRows(jpeg_decompress_struct* cinfo, FILE* file, BYTE* image, int width,
                         int height) {
    jpeg_create_decompress(cinfo);
    jpeg_stdio_src(cinfo, file);
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->image_width != static_cast<JDIMENSION>(width) ||
        cinfo->image_height != static_cast<JDIMENSION>(height)) {
        LogWarning(kLogImaging, "JPEG refused: the frame is %u x %u, the still %d x %d",
                   cinfo->image_width, cinfo->image_height, width, height);
        jpeg_destroy_decompress(cinfo);
        return DecodeOutcome::kRefused;
    }

    // The top scanline lands in the last stored row: the image is bottom-up.
    BYTE* dest =
        image + static_cast<std::size_t>(3) * width * (static_cast<std::size_t>(height) - 1);
    jpeg_start_decompress(cinfo);
    // Grey and four-component streams would overrun (or under-fill) rows of 3 x width bytes.
    if (cinfo->output_components != 3) {
        LogWarning(kLogImaging, "JPEG refused: %d colour components, 3 expected",
                   cinfo->output_components);
        jpeg_destroy_decompress(cinfo);
        return DecodeOutcome::kRefused;
    }
    const JDIMENSION row_length = cinfo->output_width * 3;
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                 row_length, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        jpeg_read_scanlines(cinfo, row, 1);
        SwapRedBlue(row[0], static_cast<int>(row_length));
        std::memcpy(dest, row[0], row_length);
        dest -= row_length;
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return DecodeOutcome::kDecoded;
}

// The library's state lives in the caller's frame, so nothing that changes after setjmp is
// local to this function.
DecodeOutcome RunDecompressor(jpeg_decompress_struct* cinfo, JpegErrorRecord* error, FILE* file,
                              BYTE* image, int width, int height) {
    cinfo->err = jpeg_std_error(&error->mgr);
    error->mgr.error_exit = JpegErrorExit;
    error->standardEmitMessage = error->mgr.emit_message;
    error->mgr.emit_message = JpegEmitMessage;
    error->mgr.output_message = JpegOutputMessage;
    if (setjmp(error->recovery) != 0) {
        jpeg_destroy_decompress(cinfo);
        return DecodeOutcome::kLibraryError;
    }
    return DecodeRows(cinfo, file, image, width, height);
}

}  // namespace

BOOL DecodeJpegSnapshot(const BYTE* stream, DWORD length, BYTE* image, int width, int height,
                        JpegFailure* failure) {
    JpegFailure ignored;
    JpegFailure& why = failure ? *failure : ignored;
    why = JpegFailure{};
    if ((stream == nullptr && length != 0) || image == nullptr || width <= 0 || height <= 0) {
        LogWarning(kLogImaging, "JPEG refused: no stream, no image or a size of %d x %d", width,
                   height);
        return false;
    }
    FilePtr file = OpenTempFile(why.reason);
    if (!file) {
        why.bNotWritten = true;
        return false;
    }
    if (!WriteStream(file.get(), stream, length, why.reason)) {
        why.bNotWritten = true;
        file.reset();
        std::remove(kJpegTempFileName);
        return false;
    }

    // Zeroed so that an error raised before jpeg_create_decompress finds no memory manager
    // to tear down.
    jpeg_decompress_struct cinfo{};
    JpegErrorRecord error{};
    const DecodeOutcome outcome = RunDecompressor(&cinfo, &error, file.get(), image, width, height);
    file.reset();
    if (outcome != DecodeOutcome::kDecoded) {
        return false;  // "Temp.jpg" stays for a look at what the camera sent
    }
    std::remove(kJpegTempFileName);
    return true;
}

void JpegErrorExit(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    LogWarning(kLogImaging, "JPEG not decoded: %s", text);
    auto* record = reinterpret_cast<JpegErrorRecord*>(cinfo->err);
    std::longjmp(record->recovery, 1);
}

namespace {

void SwapRedBlueScalar(BYTE* row, int count) {
    // Whole triples only: a count that is no multiple of 3 never reaches past itself.
    for (int k = 0; k + 2 < count; k += 3) {
        const BYTE red = row[k];
        row[k] = row[k + 2];
        row[k + 2] = red;
    }
}

#ifdef NITIDOR_HAVE_SSSE3_PATH
// Five pixels per 16-byte shuffle; the sixteenth byte passes through unchanged. All four
// loads of a step come before its stores, so no load waits on a store it overlaps.
__attribute__((target("ssse3"))) void SwapRedBlueSsse3(BYTE* row, int count) {
    const __m128i swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int k = 0;
    for (; k + 61 <= count; k += 60) {
        auto* p = reinterpret_cast<__m128i*>(row + k);
        const __m128i a = _mm_loadu_si128(p);
        const __m128i b = _mm_loadu_si128(reinterpret_cast<__m128i*>(row + k + 15));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<__m128i*>(row + k + 30));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<__m128i*>(row + k + 45));
        _mm_storeu_si128(p, _mm_shuffle_epi8(a, swap));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + k + 15), _mm_shuffle_epi8(b, swap));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + k + 30), _mm_shuffle_epi8(c, swap));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + k + 45), _mm_shuffle_epi8(d, swap));
    }
    SwapRedBlueScalar(row + k, count - k);
}
#endif

}  // namespace

void SwapRedBlue(BYTE* row, int count) {
#ifdef NITIDOR_HAVE_SSSE3_PATH
    // Swapping a full still byte by byte costs a tenth of the decode itself.
    if (__builtin_cpu_supports("ssse3")) {
        SwapRedBlueSsse3(row, count);
        return;
    }
#endif
    SwapRedBlueScalar(row, count);
}
