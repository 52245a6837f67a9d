# Writes the form description IN as a C++ source OUT that defines
# `const char* const <NAME>` holding the text unchanged.
file(READ "${IN}" text)
string(FIND "${text}" ")kxform\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${IN} holds the raw-string delimiter")
endif()
file(WRITE "${OUT}" "// Generated from ${IN}; edit that file instead.\n"
  "namespace kx {\nextern const char* const ${NAME};\n"
  "const char* const ${NAME} = R\"kxform(${text})kxform\";\n}  // namespace kx\n")
