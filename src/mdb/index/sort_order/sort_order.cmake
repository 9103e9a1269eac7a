# Compiles the sort order key table (general_legacy.keys, made by make_table.py) into the mdb
# library as a byte array, so the program needs no data file at run time and no Python to build.
set(_keys ${CMAKE_CURRENT_LIST_DIR}/general_legacy.keys)
set(_generated ${CMAKE_CURRENT_BINARY_DIR}/general_legacy_keys.cpp)
add_custom_command(
    OUTPUT ${_generated}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${_keys} -DOUTPUT=${_generated}
            -DSYMBOL=kGeneralLegacyKeys -P ${CMAKE_CURRENT_LIST_DIR}/embed.cmake
    DEPENDS ${_keys} ${CMAKE_CURRENT_LIST_DIR}/embed.cmake
    COMMENT "Embedding the General (legacy) sort order key table")
target_sources(mdb PRIVATE ${_generated})
