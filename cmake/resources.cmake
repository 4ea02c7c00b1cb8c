# The images that resources/*.rc names are drawn by resources/draw_images.py at build time
# into ${CMAKE_BINARY_DIR}/images, which is on the resource compiler's include path: the
# repository keeps no image files.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(TOLVANE_IMAGE_DIR ${CMAKE_BINARY_DIR}/images)
set(TOLVANE_IMAGES
  ${TOLVANE_IMAGE_DIR}/mainicon.ico
  ${TOLVANE_IMAGE_DIR}/refresh.bmp
  ${TOLVANE_IMAGE_DIR}/save.bmp
  ${TOLVANE_IMAGE_DIR}/print.bmp
  ${TOLVANE_IMAGE_DIR}/exit.bmp
  ${TOLVANE_IMAGE_DIR}/band.bmp
  ${TOLVANE_IMAGE_DIR}/handpoint.cur)

add_custom_command(
  OUTPUT ${TOLVANE_IMAGES}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/resources/draw_images.py ${TOLVANE_IMAGE_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/draw_images.py
  COMMENT "Drawing the program's images"
  VERBATIM)
add_custom_target(tolvane_images DEPENDS ${TOLVANE_IMAGES})

add_dependencies(tolvane tolvane_images)
target_include_directories(tolvane PRIVATE ${TOLVANE_IMAGE_DIR})
# A redrawn image must recompile the resource scripts that embed it.
foreach(rc ${TOLVANE_RESOURCES})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${TOLVANE_IMAGES})
endforeach()
