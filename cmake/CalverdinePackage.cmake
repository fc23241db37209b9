# The Debian package: `cpack -G DEB` in the build directory writes calverdine_<version>_<arch>.deb
# with what `cmake --install` installs, under /usr. Library dependencies are computed from the
# programs (dpkg-shlibdeps); what they load at run time without linking is declared here.
set(CPACK_PACKAGE_NAME calverdine)
set(CPACK_PACKAGE_VENDOR "Calverdine")
set(CPACK_PACKAGE_CONTACT "Calverdine developers <calverdine@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Workbench for testing web applications by hand and by recorded operations")
set(CPACK_PACKAGE_DESCRIPTION "A tabbed browser on Qt WebEngine whose pages become models of frames,
forms and fields; per screen the tester saves form values as named data sets, writes them back,
compares them field by field, and records and replays operations. calverdine-cli runs the same
page model and form data commands headless.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The engine's helper process and resources, the window system plugins, Japanese glyphs for
# the interface and Qt's own Japanese translations of the standard dialogs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6webenginecore6-bin, qt6-qpa-plugins, fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xvfb")
include(CPack)
