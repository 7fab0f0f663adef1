# kelda.exe as Windows users get it: a window program (no console window of its own), with the
# program's icon and version in the executable, and everything it loads at run time beside it
# in bin/ so the build folder runs as the installed one does: the compiler's runtime DLLs, the
# Qt DLLs and the two plugins Qt loads (the Windows platform and the native style).
set_target_properties(kelda PROPERTIES WIN32_EXECUTABLE ON)
set(bin ${CMAKE_BINARY_DIR}/bin)

# The icon in the executable, which Explorer, the taskbar and the clone-file association show.
find_program(KELDA_ICOTOOL icotool)
if(NOT KELDA_ICOTOOL)
  message(FATAL_ERROR "icotool is missing (Debian: icoutils): it makes kelda.exe's icon")
endif()
set(ico ${CMAKE_BINARY_DIR}/kelda.ico)
set(ico_pngs)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND ico_pngs ${bin}/icons/kelda-${size}.png)
endforeach()
add_custom_command(OUTPUT ${ico} COMMAND ${KELDA_ICOTOOL} -c -o ${ico} ${ico_pngs}
                   DEPENDS ${ico_pngs} kelda_icon_pictures)
set(rc ${CMAKE_BINARY_DIR}/kelda.rc)
string(REPLACE "." "," version_commas "${PROJECT_VERSION}.0")
file(WRITE ${rc}.in "1 ICON \"${ico}\"
1 VERSIONINFO
FILEVERSION ${version_commas}
PRODUCTVERSION ${version_commas}
BEGIN
  BLOCK \"StringFileInfo\"
  BEGIN
    BLOCK \"040904B0\"
    BEGIN
      VALUE \"FileDescription\", \"KELDA radio programming\"
      VALUE \"FileVersion\", \"${PROJECT_VERSION}\"
      VALUE \"ProductName\", \"KELDA\"
      VALUE \"ProductVersion\", \"${PROJECT_VERSION}\"
      VALUE \"OriginalFilename\", \"kelda.exe\"
    END
  END
  BLOCK \"VarFileInfo\"
  BEGIN
    VALUE \"Translation\", 0x409, 1200
  END
END
")
configure_file(${rc}.in ${rc} COPYONLY)
set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${ico})
target_sources(kelda PRIVATE ${rc})

# The runtime of the cross compiler, which the Qt DLLs link to; kelda.exe links to the same.
set(runtime_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${dll} of the cross compiler is not found")
  endif()
  list(APPEND runtime_dlls ${path})
endforeach()
set(qt_dlls)
foreach(module Core Gui Widgets PrintSupport Network)
  list(APPEND qt_dlls $<TARGET_FILE:Qt6::${module}>)
endforeach()
add_custom_target(kelda_windows_runtime ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/platforms ${bin}/styles
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${runtime_dlls} ${qt_dlls} ${bin}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> ${bin}/platforms
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> ${bin}/styles
  VERBATIM)
add_dependencies(kelda kelda_windows_runtime)
set(KELDA_WINDOWS_RUNTIME_DLLS ${runtime_dlls})
