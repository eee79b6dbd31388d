# What `cmake --install` puts under the prefix, and the .deb CPack makes of it:
# the program, its two runtime libraries in a folder of their own (the program
# looks in ../lib/quillmere when they are not beside it), the menu entry, the
# icon and the udev rule for foot pedals. Tests and benchmarks stay in the build.
install(TARGETS quillmere RUNTIME DESTINATION bin)
install(TARGETS quillmere_audio quillmere_tempo LIBRARY DESTINATION lib/quillmere)
install(FILES resources/quillmere.desktop DESTINATION share/applications)
install(FILES resources/icons/quillmere.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES resources/60-quillmere-pedal.rules DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Quillmere maintainers <authors@quillmere.example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dictation player for language learning")
set(CPACK_PACKAGE_DESCRIPTION "Quillmere keeps a playlist of recordings and loops an A-B stretch of one \
while the learner types what they hear into a rich-text transcript kept beside the recording. \
Stretches can be saved and replayed, seeded from the time tags of an .lrc file, \
and the sound slowed down or shifted in pitch, all from the keyboard.")
# The package carries the binaries without their debugging information.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLMERE_WEBSITE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps finds the linked libraries' packages; the runtime library
# the tempo add-on links is the package's own. libmediainfo is opened at run
# time, the fonts draw the interface and transcripts, Qt's SVG plugins draw the
# icons and Qt's translations put its own dialogs in Chinese, so none of them
# shows up in the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmediainfo0v5, fonts-noto-cjk, fonts-liberation2, libqt6svg6, qt6-translations-l10n")
include(CPack)
