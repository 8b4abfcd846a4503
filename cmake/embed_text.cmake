# cmake -DIN=FILE -DOUT=FILE -DNAMESPACE=a::b -DNAME=IDENTIFIER -P embed_text.cmake
# Writes a header holding the text of FILE, unchanged, as
# `inline constexpr std::string_view NAMESPACE::NAME` in a raw string literal: files a
# person edits as themselves (a stylesheet, a script) become part of the
# program at build time.
file(READ ${IN} text)
set(delimiter "zelmo_embedded")
string(FIND "${text}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${IN} holds )${delimiter}\", which ends the literal it is embedded in")
endif()
file(WRITE ${OUT}
     "// Written by the build from ${IN}; edit that file instead.\n"
     "#pragma once\n\n"
     "#include <string_view>\n\n"
     "namespace ${NAMESPACE} {\n\n"
     "inline constexpr std::string_view ${NAME} = R\"${delimiter}(${text})${delimiter}\";\n\n"
     "}  // namespace ${NAMESPACE}\n")
