# The slot machine's share of the build: the random source in the core library, and the lever
# pictures turned from their XPM sources into GIF files for ★MailData.
# Included from src/mainwindow/CMakeLists.txt; paths are taken from this file's folder.
set(SLOT_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(SLOT_SRC_ROOT ${SLOT_DIR}/.. ABSOLUTE)

target_sources(ricorne_core PRIVATE ${SLOT_SRC_ROOT}/core/random/Random.cpp
                                    ${SLOT_SRC_ROOT}/core/random/Random.h)
