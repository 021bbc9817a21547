# What a desktop needs to know the movies: their MIME type (recognised by content), the menu
# entry that plays them, the thumbnailer and the icon, under the installation's share folder.
# A component of its own, so that it can be installed (and tested) apart from the programs.
install(FILES share/mime/packages/qxplay.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT desktop)
install(FILES share/applications/qxplay.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
install(FILES share/thumbnailers/qxplay.thumbnailer
  DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers COMPONENT desktop)
install(FILES share/icons/hicolor/scalable/apps/qxplay.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT desktop)
