# `make install`: the binary, its desktop entry with the roster types it
# opens, the sheet file type, and the icon in the freedesktop sizes.
include(GNUInstallDirs)
if(TARGET fenban)
  install(TARGETS fenban RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
set(FENBAN_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/src/app/desktop)
set(FENBAN_ICON_DIR ${CMAKE_SOURCE_DIR}/src/app/icons)
install(FILES ${FENBAN_DESKTOP_DIR}/fenban.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${FENBAN_DESKTOP_DIR}/fenban-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME fenban.xml)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${FENBAN_ICON_DIR}/fenban-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME fenban.png)
endforeach()
install(FILES ${FENBAN_ICON_DIR}/fenban.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
