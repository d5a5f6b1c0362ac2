// The stream component, registered as "Adodb.Stream": an in-memory byte stream that is read and
// written either as bytes (Type 1, binary) or as text in a named charset (Type 2, text; the
// default, with the charset "Unicode").
//
// Members (late-bound, names in any case):
//   Open()               opens the stream, empty; fails when already open or given a source
//   Close()              closes it and discards its contents; fails when not open
//   Type                 1 or 2; can change only while closed or at position 0
//   Charset              a name StreamCharset knows; an unknown name is refused and the stream
//                        keeps its charset; while open, it can change only at position 0
//   Position             the current byte offset; set past the end, it grows the stream with
//                        zero bytes up to it. Size, EOS (read only)
//   Write(bytes)         binary mode: writes a byte array at the position, overwriting and
//                        extending, and moves the position past it
//   WriteText(text[, 1]) text mode: the same with the text encoded in the charset; option 1 adds
//                        a CR LF. No byte-order mark is written
//   Read([count])        binary mode: a byte array of the bytes from the position (all, or at
//                        most count); the position moves past them
//   ReadText([count])    text mode: the text from the position (all, or at most count UTF-16
//                        units), decoded in the charset; a byte-order mark at position 0 is
//                        skipped
//   SetEOS()             ends the stream at the position
// Every member except Type and Charset fails on a closed stream.
//
//   platform::ObjectRef stream = platform::make_stream_component();
#pragma once

#include "platform/automation_host.h"

namespace platform {

ObjectRef make_stream_component();

}  // namespace platform
