# fotaro_embed_text(TARGET FILE NAME): builds the text of FILE (a script, a page) into TARGET as
#   extern const char NAME[];
# declared by a header of the target's own. The text is regenerated whenever FILE changes.
#
# Run as a script (cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P EmbedText.cmake), it writes the
# source file.

if(CMAKE_SCRIPT_MODE_FILE)
  file(READ "${INPUT}" text)
  set(delimiter "FOTARO_TEXT")
  string(FIND "${text}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${INPUT} contains the end of a raw string: )${delimiter}\"")
  endif()
  file(WRITE "${OUTPUT}.new" "// Generated from ${INPUT} by cmake/EmbedText.cmake.\n"
                             "extern const char ${NAME}[];\n"
                             "const char ${NAME}[] = R\"${delimiter}(${text})${delimiter}\";\n")
  file(RENAME "${OUTPUT}.new" "${OUTPUT}")
  return()
endif()

set(FOTARO_EMBED_TEXT_SCRIPT "${CMAKE_CURRENT_LIST_FILE}")

function(fotaro_embed_text target file name)
  get_filename_component(input "${file}" ABSOLUTE)
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DNAME=${name} -P ${FOTARO_EMBED_TEXT_SCRIPT}
    DEPENDS "${input}" "${FOTARO_EMBED_TEXT_SCRIPT}"
    COMMENT "Building ${file} into ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
endfunction()
