# Settings files and stores: INI profile files, Windows-1252 text, the machine
# settings store. Included from this folder's CMakeLists.txt.
add_library(tb_settings STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ProfileFile.cpp ${CMAKE_CURRENT_LIST_DIR}/ProfileFile.h
  ${CMAKE_CURRENT_LIST_DIR}/Windows1252.cpp ${CMAKE_CURRENT_LIST_DIR}/Windows1252.h
  ${CMAKE_CURRENT_LIST_DIR}/MachineSettings.cpp ${CMAKE_CURRENT_LIST_DIR}/MachineSettings.h
)
target_include_directories(tb_settings PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(tb_settings PUBLIC tb_common Qt6::Core)
