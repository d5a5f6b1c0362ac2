# Writes INPUT (an ASCII text file) into OUTPUT as the definition of
#   extern const char SCRIPT_LIBRARY[];   extern const unsigned SCRIPT_LIBRARY_LENGTH;
# as a byte array, so that no escaping rule of the source file can alter it.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR length "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from ${INPUT}; do not edit.\n"
  "extern const char SCRIPT_LIBRARY[];\nextern const unsigned SCRIPT_LIBRARY_LENGTH;\n"
  "const char SCRIPT_LIBRARY[] = {\n${bytes}0x00};\n"
  "const unsigned SCRIPT_LIBRARY_LENGTH = ${length};\n")
