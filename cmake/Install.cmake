# cmake --install BUILD --prefix DIR lays out a self-contained program folder in DIR: the two
# programs, the data folders (never overwriting a file that is already there), help/ when it was
# built, and a desktop entry with its icon under DIR/share so the desktop's menu can list it.
set(RICORNE_DESKTOP_IN ${CMAKE_SOURCE_DIR}/src/mainwindow/icon/ricorne.desktop.in)

install(TARGETS ricorne ricorne-mailtool RUNTIME DESTINATION .)

install(CODE "
  set(dest \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  foreach(src \"${CMAKE_SOURCE_DIR}/data\" \"${RICORNE_GENERATED_DATA}\")
    execute_process(COMMAND \"${CMAKE_COMMAND}\" -DSRC=\${src} -DDEST=\${dest}
                            -P \"${CMAKE_SOURCE_DIR}/cmake/LayoutData.cmake\"
                    COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  # help/ is part of the program: replaced whole on every install.
  if(IS_DIRECTORY \"${RICORNE_APPDIR}/help\")
    file(REMOVE_RECURSE \"\${dest}/help\")
    file(COPY \"${RICORNE_APPDIR}/help\" DESTINATION \"\${dest}\")
  endif()
")

set(RICORNE_ICON_DIR share/icons/hicolor/256x256/apps)
install(FILES ${RICORNE_ICON} DESTINATION ${RICORNE_ICON_DIR})
# The entry names the program and the icon by absolute path: the folder lives wherever the user
# put it, outside the desktop's usual search paths.
install(CODE "
  set(RICORNE_DIR \"\${CMAKE_INSTALL_PREFIX}\")
  set(RICORNE_EXE \"\${CMAKE_INSTALL_PREFIX}/ricorne\")
  set(RICORNE_ICON_FILE \"\${CMAKE_INSTALL_PREFIX}/${RICORNE_ICON_DIR}/ricorne.png\")
  set(out \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/ricorne.desktop\")
  message(STATUS \"Installing: \${out}\")
  configure_file(\"${RICORNE_DESKTOP_IN}\" \"\${out}\" @ONLY)
")
