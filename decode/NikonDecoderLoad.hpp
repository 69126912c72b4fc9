#pragma once
// What the image data loader hands the Nikon decoder: the maker note's compression kind and
// the bytes of its CompressionInfo entry, which may lie anywhere in the file.
#include "decode/ByteSource.hpp"
#include "decode/LoadImageDataInternal.hpp"

namespace korvane::loader {

// Decodes one compressed NEF strip with the main image's Nikon compression. Fails after a
// message, also when the CompressionInfo entry reaches past the end of the file
// (MessageId::ProcessingFailed "file shorter than expected").
[[nodiscard]] Status decodeNikonStrip(const StripCall& call, ByteSource& source);

} // namespace korvane::loader
