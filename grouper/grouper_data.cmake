# Data of verdan built into the program from reviewable text files in data/.
#
# Included by grouper/CMakeLists.txt after grouper_lib is defined. Run in
# script mode (cmake -P) it embeds one text file as a C++ string constant.
if(CMAKE_SCRIPT_MODE_FILE)
  file(READ ${INPUT} text)
  string(FIND "${text}" ")pmsidata\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${INPUT}: holds the raw-string delimiter")
  endif()
  file(WRITE ${OUTPUT}
    "// Generated from ${INPUT}: edit that file, not this one.\n"
    "namespace grouper::data {\n"
    "extern const char ${SYMBOL}[];\n"
    "const char ${SYMBOL}[] = R\"pmsidata(${text})pmsidata\";\n"
    "}  // namespace grouper::data\n")
  return()
endif()

set(grouper_ccam_list ${PROJECT_SOURCE_DIR}/data/ccam/ccam_v0.txt)
set(grouper_ccam_cpp ${CMAKE_CURRENT_BINARY_DIR}/generated/ccam_v0_text.cpp)
add_custom_command(
  OUTPUT ${grouper_ccam_cpp}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${grouper_ccam_list} -DOUTPUT=${grouper_ccam_cpp}
          -DSYMBOL=kCcamV0Text -P ${CMAKE_CURRENT_LIST_FILE}
  DEPENDS ${grouper_ccam_list} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Embedding the CCAM V0 lists"
  VERBATIM)
target_sources(grouper_lib PRIVATE ${grouper_ccam_cpp})
