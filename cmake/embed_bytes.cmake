# A file's bytes as a C++ array, for a program that carries them inside.
# cmake -DIN=FILE -DOUT=FILE.cpp -DNAME=SYMBOL -P embed_bytes.cmake
# defines SYMBOL[] and SYMBOL_SIZE.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# 16 bytes a line.
string(REGEX REPLACE "((0x..,){16})" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUT}.tmp" "// Made by cmake/embed_bytes.cmake; not to be edited.
extern const unsigned char ${NAME}[];
extern const unsigned int ${NAME}_SIZE;
const unsigned char ${NAME}[] = {
  ${bytes}0};
const unsigned int ${NAME}_SIZE = ${size};
")
file(RENAME "${OUT}.tmp" "${OUT}")
