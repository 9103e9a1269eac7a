# Turns a binary data file into a C++ source that defines it as a byte array.
# Run as: cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P embed.cmake
# The array and its size are defined in namespace mdb::sort_order with external linkage.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
# Sixteen bytes per line keep the generated file readable and quick to compile.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
    "// Generated from ${input_name} by embed.cmake; do not edit.\n"
    "#include <cstddef>\n"
    "namespace mdb::sort_order {\n"
    "extern const unsigned char ${SYMBOL}[];\n"
    "extern const std::size_t ${SYMBOL}Size;\n"
    "const unsigned char ${SYMBOL}[] = {\n${bytes}\n};\n"
    "const std::size_t ${SYMBOL}Size = ${size};\n"
    "}  // namespace mdb::sort_order\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
