# tb_windows_resource(target "description" [ICON]): the program's version
# resource, and with ICON the program's icon, for a Windows build.
function(tb_windows_resource target description)
  set(TB_TARGET ${target})
  set(TB_FILE ${target}.exe)
  set(TB_DESCRIPTION "${description}")
  set(TB_ICON_LINE "")
  if("ICON" IN_LIST ARGN)
    set(TB_ICON_LINE "1 ICON \"${PROJECT_SOURCE_DIR}/packaging/windows/tunebench.ico\"")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()
