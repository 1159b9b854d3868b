# Writes the bash completion script that PROGRAM prints into OUTPUT, whole or
# not at all. Leak checks of a sanitizer build have nothing to say here.
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen ${PROGRAM} --bash-completion-script
  OUTPUT_FILE ${OUTPUT}.part
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT}.part)
  message(FATAL_ERROR "${PROGRAM} --bash-completion-script failed: ${result}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
