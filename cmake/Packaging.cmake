# `make package`: a Debian package of everything the install() rules name.
# Shared libraries (Qt, Qwt, FFTW, OpenSSL) are found by dpkg-shlibdeps;
# what the program loads at run time without linking it is declared by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentrik-assistant)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Zentrik Assistant developers")
set(CPACK_PACKAGE_CONTACT "The Zentrik Assistant developers <developers@zentrik.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "debugging workbench for serial, smart-car, GSM, GPS and network links")
set(CPACK_PACKAGE_DESCRIPTION
  "One window, one tool per tab: a serial terminal, a smart-car assistant
(camera images, linear CCD traces and an 8-channel oscilloscope from the
car's framed stream), a GSM AT-command console, a GPS tab with NMEA parsing
and a map, a TCP/UDP network assistant and tutorials. zentrik-sim plays the
car, a GPS receiver and a GSM modem on a pseudo-terminal or the network.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The web module's pages need the engine's resources and locales; the
# window's Chinese texts need a CJK font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5webengine-data")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
