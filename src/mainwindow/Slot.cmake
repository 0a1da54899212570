# The slot machine's share of the build: the lever pictures, turned from their XPM sources into
# GIF files for ★MailData.
# Included from src/mainwindow/CMakeLists.txt; paths are taken from this file's folder.
set(SLOT_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(SLOT_SRC_ROOT ${SLOT_DIR}/.. ABSOLUTE)

# Lever pictures: XPM text in the repository, GIF files beside the program.
find_package(GIF REQUIRED)
add_executable(lever_gif_writer ${SLOT_DIR}/lever/LeverGifWriter.cpp)
target_link_libraries(lever_gif_writer PRIVATE Qt6::Gui GIF::GIF)
set_target_properties(lever_gif_writer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

set(SLOT_LEVER_DIR "${RICORNE_GENERATED_DATA}/★MailData")
set(SLOT_LEVER_PULLED "${SLOT_LEVER_DIR}/Bar.gif")
set(SLOT_LEVER_AT_REST "${SLOT_LEVER_DIR}/Bar0.gif")
add_custom_command(
  OUTPUT ${SLOT_LEVER_PULLED} ${SLOT_LEVER_AT_REST}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SLOT_LEVER_DIR}
  COMMAND lever_gif_writer ${SLOT_DIR}/lever/LeverPulled.xpm ${SLOT_LEVER_PULLED}
  COMMAND lever_gif_writer ${SLOT_DIR}/lever/LeverAtRest.xpm ${SLOT_LEVER_AT_REST}
  DEPENDS lever_gif_writer ${SLOT_DIR}/lever/LeverPulled.xpm ${SLOT_DIR}/lever/LeverAtRest.xpm
  COMMENT "Lever pictures for ★MailData"
  VERBATIM)
add_custom_target(slot_lever_pictures DEPENDS ${SLOT_LEVER_PULLED} ${SLOT_LEVER_AT_REST})
add_dependencies(generated_data slot_lever_pictures)

# The cabinet alone in a window, for looking at it and timing the reels. Not installed.
add_executable(slot_demo ${SLOT_DIR}/demo/SlotDemo.cpp)
target_link_libraries(slot_demo PRIVATE ricorne_mainwindow)
add_dependencies(slot_demo layout_data)
