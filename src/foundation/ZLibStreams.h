// Stream-to-stream compression with zlib: deflate into zlib, gzip or raw
// deflate form, and inflate whatever of the three a stream holds (the form
// is detected from its first bytes; trailers are not verified, bytes after
// the deflate data are left unread).
//
// Memory and string streams are worked on in place (input from their
// memory at the position; output, when asked for, grown in 64 KB steps in
// their memory); other streams go through 64 KB buffers.
//
// Every negative zlib result raises ECompressionError or
// EDecompressionError with the message "error".
//
// Thread safety: none beyond zlib's; streams belong to the caller's thread.
#pragma once

#include <zlib.h>

#include "platform/rtl/streams.h"

RTL_DECLARE_EXCEPTION(EZlibError, Exception)
RTL_DECLARE_EXCEPTION(ECompressionError, EZlibError)
RTL_DECLARE_EXCEPTION(EDecompressionError, EZlibError)
// Raised when inflated data would pass the limit of ZDecompressStream
// (data crafted to inflate without end, or a value far beyond what any
// memo of the tool holds).
RTL_DECLARE_EXCEPTION(EDecompressionLimitError, EDecompressionError)

// The default limit of inflated bytes: no compressed memo or stream of the
// tool comes near it (the installation list and the settings texts are a
// few kilobytes).
constexpr Int64 ZMaxInflatedSize = 16 * 1024 * 1024;

// zlib levels: none 0, fastest 1, default -1, max 9.
enum TZCompressionLevel { zcNone, zcFastest, zcDefault, zcMax };
// Window bits: zlib 15, gzip 31, raw -15.
enum TZStreamType { zsZLib, zsGZip, zsRaw };

// Raise ECompressionError / EDecompressionError for a negative Code;
// return Code otherwise.
int ZCompressCheck(int Code);
int ZDecompressCheck(int Code);

// Deflates InStream from its position to its end into OutStream at its
// position. With DirectOutput and a memory stream as OutStream the output
// is produced in its memory, and its size is cut to the end of the output.
// Afterwards InStream stands right after the consumed input.
void ZCompressStream(TStream* InStream, TStream* OutStream, TZCompressionLevel Level, bool DirectOutput,
                     TZStreamType StreamType);

// Inflates InStream from its position (zlib, gzip or raw deflate) into
// OutStream; InStream ends right after the deflate data. Truncated or
// corrupt data raise EDecompressionError (OutStream may then hold a part).
// Inflation stops with EDecompressionLimitError before OutStream would
// receive more than MaxOutput bytes.
void ZDecompressStream(TStream* InStream, TStream* OutStream, Int64 MaxOutput = ZMaxInflatedSize);

// Looks at the input of Z (next_in/avail_in set): 0 zlib, 1 gzip, 2 raw.
// For zlib and gzip the input is left behind the header, at the first
// deflate block; for raw it is untouched. Header may receive a gzip
// header (null: none).
int DetectZStreamType(z_stream& Z, gz_header* Header = nullptr);
