# Data files built into the program, so that it finds them without looking for files at run time
# (the web edition has no files to look in).
#
#   tt_embed(<target> <file> <symbol>)
#
# compiles the bytes of <file> (relative to the current source directory, or absolute) into
# <target>, as
#
#   extern const unsigned char <symbol>[];   // the bytes, then a 0 that is not counted
#   extern const std::size_t <symbol>_size;
#
# The generated source is remade whenever the file changes. Run as a script (cmake -P), this file
# writes that source: -DEMBED_INPUT=<file> -DEMBED_OUTPUT=<source> -DEMBED_SYMBOL=<symbol>.

if(CMAKE_SCRIPT_MODE_FILE)
  file(READ "${EMBED_INPUT}" hex HEX)
  get_filename_component(name "${EMBED_INPUT}" NAME)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  # Twenty bytes a line.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REPEAT "0x..," 20 line)
  string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
  file(WRITE "${EMBED_OUTPUT}.tmp"
       "// Made by cmake/embed.cmake from ${name}: do not edit.\n"
       "#include <cstddef>\n"
       "extern const unsigned char ${EMBED_SYMBOL}[];\n"
       "extern const std::size_t ${EMBED_SYMBOL}_size;\n"
       "const unsigned char ${EMBED_SYMBOL}[] = {\n${bytes}0};\n"
       "const std::size_t ${EMBED_SYMBOL}_size = ${size};\n")
  file(RENAME "${EMBED_OUTPUT}.tmp" "${EMBED_OUTPUT}")
  return()
endif()

set(TT_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_FILE}")

function(tt_embed target file symbol)
  get_filename_component(input "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  set(output "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -DEMBED_INPUT=${input} -DEMBED_OUTPUT=${output}
            -DEMBED_SYMBOL=${symbol} -P "${TT_EMBED_SCRIPT}"
    DEPENDS "${input}" "${TT_EMBED_SCRIPT}"
    COMMENT "Embedding ${file}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
endfunction()
