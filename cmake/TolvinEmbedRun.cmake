file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
  "// Generated from ${INPUT}; do not edit.\n"
  "extern const unsigned char ${SYMBOL}[];\nextern const unsigned ${SYMBOL}_size;\n"
  "const unsigned char ${SYMBOL}[] = {\n${bytes}\n0x00};\n"
  "const unsigned ${SYMBOL}_size = ${size};\n")
