# cmake -DSRC=<docs dir> -DDEST=<AppDir> -P LayoutHelp.cmake
# Lays out the help page beside the executable: DEST/help holds the page and its style sheet
# from SRC/help and the window screenshots (SRC/*.png) under images/. The folder is part of the
# program, not the user's data, so it is replaced whole.
set(out "${DEST}/help")
file(REMOVE_RECURSE "${out}")
file(MAKE_DIRECTORY "${out}/images")
file(GLOB pages "${SRC}/help/*")
file(COPY ${pages} DESTINATION "${out}")
file(GLOB shots "${SRC}/*.png")
file(COPY ${shots} DESTINATION "${out}/images")
