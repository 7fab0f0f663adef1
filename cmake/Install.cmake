# Install rules: the programs in bin/, their data in share/kelda/, and what a Linux desktop
# expects of an application (menu entry, icons, clone-file type, metainfo, manual pages, bash
# completion). The programs find share/kelda relative to their own folder, so a prefix that
# holds spaces, a DESTDIR staging tree and a moved prefix all work.
include(GNUInstallDirs)

set(KELDA_APP_ID com.vexa.kelda)
set(KELDA_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/kelda)
file(RELATIVE_PATH KELDA_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${KELDA_INSTALL_DATADIR})
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/platform/DataFolder.cpp
                            TARGET_DIRECTORY kelda_platform
                            PROPERTIES COMPILE_DEFINITIONS KELDA_DATA_FROM_BIN="${KELDA_DATA_FROM_BIN}")

set(KELDA_INSTALLED_PROGRAMS kelda-cli kelda-radiosim)
if(KELDA_GUI)
  list(APPEND KELDA_INSTALLED_PROGRAMS kelda)
endif()
install(TARGETS ${KELDA_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (the package, cmake --install --strip) also drops the compiler's notes in
# .comment and .note, as Debian strips its own programs.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program ${KELDA_INSTALLED_PROGRAMS})
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")

install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/overlay/ ${CMAKE_SOURCE_DIR}/data/initial/
        DESTINATION ${KELDA_INSTALL_DATADIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/help/ DESTINATION ${KELDA_INSTALL_DATADIR}/help)

install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/kelda-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kelda.xml)
install(FILES ${CMAKE_SOURCE_DIR}/data/completion/kelda-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Manual pages go in compressed, as Debian wants them: gzip -n -9 keeps neither the file's name
# nor its time, so two builds give the same bytes.
find_program(KELDA_GZIP gzip REQUIRED)
function(kelda_gzipped source output)
  get_filename_component(name ${source} NAME)
  set(dir ${CMAKE_BINARY_DIR}/gz)
  add_custom_command(OUTPUT ${dir}/${name}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${source} ${dir}/${name}
                     COMMAND ${KELDA_GZIP} -n -9 -f ${dir}/${name}
                     DEPENDS ${source} VERBATIM)
  set(${output} ${dir}/${name}.gz PARENT_SCOPE)
endfunction()
set(KELDA_MAN_PAGES kelda-cli kelda-radiosim)
if(KELDA_GUI)
  list(APPEND KELDA_MAN_PAGES kelda)
endif()
set(KELDA_GZIPPED)
foreach(page ${KELDA_MAN_PAGES})
  kelda_gzipped(${CMAKE_SOURCE_DIR}/data/man/${page}.1 gz)
  list(APPEND KELDA_GZIPPED ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

if(KELDA_GUI)
  install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/${KELDA_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/${KELDA_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The window's own icons (toolbar, tree), read from the data folder.
  file(GLOB KELDA_WINDOW_ICONS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/icons/*.svg)
  if(KELDA_WINDOW_ICONS)
    install(FILES ${KELDA_WINDOW_ICONS} DESTINATION ${KELDA_INSTALL_DATADIR}/icons)
  endif()

  # The application icon: the drawing, and PNG renderings for desktops that want bitmaps.
  file(GLOB KELDA_ICON CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/icons/kelda.svg)
  find_program(KELDA_RSVG rsvg-convert)
  if(NOT KELDA_ICON)
    message(WARNING "data/icons/kelda.svg is missing: no application icon is installed")
  else()
    set(KELDA_ICON_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(FILES ${KELDA_ICON} DESTINATION ${KELDA_ICON_DIR}/scalable/apps)
    if(KELDA_RSVG)
      set(KELDA_ICON_PNGS)
      foreach(size 16 22 24 32 48 64 128 256 512)
        set(dir ${CMAKE_BINARY_DIR}/icons/${size}x${size})
        add_custom_command(OUTPUT ${dir}/kelda.png
                           COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                           COMMAND ${KELDA_RSVG} -w ${size} -h ${size} -o ${dir}/kelda.png
                                   ${KELDA_ICON}
                           DEPENDS ${KELDA_ICON})
        list(APPEND KELDA_ICON_PNGS ${dir}/kelda.png)
        install(FILES ${dir}/kelda.png DESTINATION ${KELDA_ICON_DIR}/${size}x${size}/apps)
      endforeach()
      add_custom_target(kelda_icons ALL DEPENDS ${KELDA_ICON_PNGS})
    else()
      message(WARNING "rsvg-convert is missing (Debian: librsvg2-bin): "
                      "the application icon is installed as SVG only")
    endif()
  endif()
endif()
