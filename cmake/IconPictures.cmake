# The window's icons as PNG renderings beside their SVG drawings in bin/icons/, for a Qt that
# has no SVG module: each drawing at every size the window shows it (menus and the print
# preview 16, the tree 20, the toolbar 24), at single and double scale, and larger for the
# program's own icon.
find_program(KELDA_RSVG rsvg-convert)
if(NOT KELDA_RSVG)
  message(FATAL_ERROR "rsvg-convert is missing (Debian: librsvg2-bin): it draws the icons "
                      "of a window program built without Qt's SVG module")
endif()
set(KELDA_ICON_PICTURE_SIZES 16 20 24 32 40 48)
set(KELDA_ICON_PICTURES)
foreach(f ${KELDA_ICON_FILES})
  get_filename_component(name ${f} NAME_WE)
  set(sizes ${KELDA_ICON_PICTURE_SIZES})
  if(name STREQUAL "kelda")
    list(APPEND sizes 64 128 256)
  endif()
  foreach(size ${sizes})
    set(out ${CMAKE_BINARY_DIR}/bin/icons/${name}-${size}.png)
    add_custom_command(OUTPUT ${out}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin/icons
                       COMMAND ${KELDA_RSVG} -w ${size} -h ${size} -o ${out} ${f}
                       DEPENDS ${f})
    list(APPEND KELDA_ICON_PICTURES ${out})
  endforeach()
endforeach()
add_custom_target(kelda_icon_pictures ALL DEPENDS ${KELDA_ICON_PICTURES})
