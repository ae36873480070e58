#include "imaging/JpegSnapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <memory>

#include <jpeglib.h>
// jpeglib.h first: jerror.h relies on its types.
#include <jerror.h>

namespace {

// The library hands JpegErrorExit only the decompression object; its err pointer is the
// address of this record, which is how the jump context is reached.
struct JpegErrorRecord {
    jpeg_error_mgr mgr;  // must stay the first member
    std::jmp_buf recovery;
};

enum class DecodeOutcome { kDecoded, kLibraryError, kRefused };

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// "w+b" semantics, except that a symbolic link planted at the name is refused instead of
// followed, and so is anything but a regular file (a FIFO would block the write forever).
FilePtr OpenTempFile() {
    const int fd =
        ::open(kJpegTempFileName, O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    FILE* file = ::fdopen(fd, "w+b");
    if (file == nullptr) {
        ::close(fd);
        std::remove(kJpegTempFileName);
        return nullptr;
    }
    return FilePtr(file);
}

// The library's own file source reads 4 KB at a time, and with fewer bytes than a few MCUs
// in hand libjpeg-turbo leaves its fast Huffman decoder; a full still then decodes a tenth
// slower than from memory. This source reads the same file in 64 KB blocks and otherwise
// behaves as the library's: an empty file is an error, a truncated one ends in a warning
// and an inserted EOI marker.
constexpr std::size_t kSourceBufferSize = std::size_t{1} << 16;

struct JpegFileSource {
    jpeg_source_mgr pub;  // must stay the first member
    FILE* file;
    JOCTET* buffer;
    boolean start_of_file;
};

void InitFileSource(j_decompress_ptr cinfo) {
    reinterpret_cast<JpegFileSource*>(cinfo->src)->start_of_file = TRUE;
}

boolean FillFileSource(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<JpegFileSource*>(cinfo->src);
    std::size_t count = std::fread(source->buffer, 1, kSourceBufferSize, source->file);
    if (count == 0) {
        if (source->start_of_file) {
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        }
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        count = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = count;
    source->start_of_file = FALSE;
    return TRUE;
}

void SkipFileSource(j_decompress_ptr cinfo, long num_bytes) {
    jpeg_source_mgr* source = cinfo->src;
    if (num_bytes <= 0) {
        return;
    }
    while (static_cast<std::size_t>(num_bytes) > source->bytes_in_buffer) {
        num_bytes -= static_cast<long>(source->bytes_in_buffer);
        FillFileSource(cinfo);
    }
    source->next_input_byte += num_bytes;
    source->bytes_in_buffer -= static_cast<std::size_t>(num_bytes);
}

void TermFileSource(j_decompress_ptr) {}

// Both blocks come from the permanent pool: jpeg_destroy_decompress frees them.
void AttachFileSource(j_decompress_ptr cinfo, FILE* file) {
    auto* common = reinterpret_cast<j_common_ptr>(cinfo);
    auto* source = static_cast<JpegFileSource*>(
        (*cinfo->mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(JpegFileSource)));
    source->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_large)(common, JPOOL_PERMANENT, kSourceBufferSize));
    source->file = file;
    source->pub.init_source = InitFileSource;
    source->pub.fill_input_buffer = FillFileSource;
    source->pub.skip_input_data = SkipFileSource;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = TermFileSource;
    source->pub.bytes_in_buffer = 0;
    source->pub.next_input_byte = nullptr;
    cinfo->src = &source->pub;
}

BOOL WriteStream(FILE* file, const BYTE* stream, DWORD length) {
    // A failure can surface only when the stdio buffer is flushed; without the flush a
    // truncated file would decode into a grey-padded picture reported as success.
    if ((length != 0 && std::fwrite(stream, 1, length, file) < length) || std::fflush(file) != 0) {
        return FALSE;
    }
    return std::fseek(file, 0, SEEK_SET) == 0;
}

// Runs below the recovery point: no object with a destructor may live in this frame, since
// JpegErrorExit can leave it at any library call.
DecodeOutcome DecodeRows(jpeg_decompress_struct* cinfo, FILE* file, BYTE* image, int width,
                         int height) {
    jpeg_create_decompress(cinfo);
    AttachFileSource(cinfo, file);
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->image_width != static_cast<JDIMENSION>(width) ||
        cinfo->image_height != static_cast<JDIMENSION>(height)) {
        jpeg_destroy_decompress(cinfo);
        return DecodeOutcome::kRefused;
    }

    // libjpeg-turbo writes blue, green, red as cheaply as red, green, blue, while swapping
    // afterwards costs a twentieth of the decode; the bytes come out the same.
    bool library_swaps = false;
#ifdef JCS_EXTENSIONS
    if (cinfo->out_color_space == JCS_RGB) {
        cinfo->out_color_space = JCS_EXT_BGR;
        library_swaps = true;
    }
#endif
    jpeg_start_decompress(cinfo);
    // Grey and four-component streams would overrun (or under-fill) rows of 3 x width bytes.
    if (cinfo->output_components != 3 || cinfo->output_width != cinfo->image_width ||
        cinfo->output_height != cinfo->image_height) {
        jpeg_destroy_decompress(cinfo);
        return DecodeOutcome::kRefused;
    }
    const JDIMENSION row_length = cinfo->output_width * 3;
    const std::size_t last_row = static_cast<std::size_t>(height) - 1;
    while (cinfo->output_scanline < cinfo->output_height) {
        // The top scanline lands in the last stored row: the image is bottom-up. Rows are
        // decoded in place rather than through a row buffer and a copy, which cost as much
        // as the whole file round trip.
        JSAMPROW dest = image + row_length * (last_row - cinfo->output_scanline);
        if (jpeg_read_scanlines(cinfo, &dest, 1) != 1) {
            jpeg_destroy_decompress(cinfo);
            return DecodeOutcome::kLibraryError;
        }
        if (!library_swaps) {
            SwapRedBlue(dest, static_cast<int>(row_length));
        }
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
    if (setjmp(error->recovery) != 0) {
        jpeg_destroy_decompress(cinfo);
        return DecodeOutcome::kLibraryError;
    }
    return DecodeRows(cinfo, file, image, width, height);
}

}  // namespace

BOOL DecodeJpegSnapshot(const BYTE* stream, DWORD length, BYTE* image, int width, int height) {
    if ((stream == nullptr && length != 0) || image == nullptr || width <= 0 || height <= 0) {
        return FALSE;
    }
    FilePtr file = OpenTempFile();
    if (!file) {
        return FALSE;
    }
    if (!WriteStream(file.get(), stream, length)) {
        file.reset();
        std::remove(kJpegTempFileName);
        return FALSE;
    }

    // Zeroed so that an error raised before jpeg_create_decompress finds no memory manager
    // to tear down.
    jpeg_decompress_struct cinfo{};
    JpegErrorRecord error{};
    const DecodeOutcome outcome = RunDecompressor(&cinfo, &error, file.get(), image, width, height);
    file.reset();
    if (outcome != DecodeOutcome::kDecoded) {
        return FALSE;  // "Temp.jpg" stays for a look at what the camera sent
    }
    std::remove(kJpegTempFileName);
    return TRUE;
}

void JpegErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    auto* record = reinterpret_cast<JpegErrorRecord*>(cinfo->err);
    std::longjmp(record->recovery, 1);
}

void SwapRedBlue(BYTE* row, int count) {
    // Whole triples only: a count that is no multiple of 3 never reaches past itself.
    for (int k = 0; k + 2 < count; k += 3) {
        const BYTE red = row[k];
        row[k] = row[k + 2];
        row[k + 2] = red;
    }
}
