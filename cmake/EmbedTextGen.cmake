# Script mode: writes OUT, a C++ array of the bytes of IN (see EmbedText.cmake).
file(READ ${IN} _hex HEX)
string(LENGTH "${_hex}" _len)
math(EXPR _size "${_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," _bytes "${_hex}")
string(REGEX REPLACE "((('\\\\x[0-9a-f][0-9a-f]',)){16})" "\\1\n" _bytes "${_bytes}")
file(WRITE ${OUT} "// Generated from ${IN}; do not edit.\nnamespace tuim {\nextern const char ${SYMBOL}[];\nextern const unsigned long ${SYMBOL}_size;\nconst char ${SYMBOL}[] = {\n${_bytes}'\\0'};\nconst unsigned long ${SYMBOL}_size = ${_size};\n}  // namespace tuim\n")
