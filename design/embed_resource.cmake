# Writes the file IN as a C++ source OUT that defines
# `extern const unsigned char <NAME>[]` and `extern const std::size_t <NAME>Size`
# holding its bytes from offset SKIP (0 when not given) on.
if(NOT DEFINED SKIP)
  set(SKIP 0)
endif()
file(READ "${IN}" hex OFFSET ${SKIP} HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUT}" "// Generated from ${IN}; edit that file instead.\n"
  "#include <cstddef>\nnamespace kx {\n"
  "extern const unsigned char ${NAME}[];\nextern const std::size_t ${NAME}Size;\n"
  "const unsigned char ${NAME}[] = {\n  ${bytes}\n};\n"
  "const std::size_t ${NAME}Size = ${size};\n}  // namespace kx\n")
