# The Debian package: every installed file, under /usr. The shared-library dependencies come
# from the installed executables and module (dpkg-shlibdeps); the QML modules the window
# imports are loaded at run time, where dpkg-shlibdeps cannot see them, so they are named here
# (the same list as in scripts/install-deps.sh, without the test module).
set(BREVANTO_PACKAGE_CONTACT "Tarnwick Brevanto developers <brevanto@tarnwick.invalid>"
    CACHE STRING "Maintainer of the Debian package (name <address>)")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brevanto)
set(CPACK_PACKAGE_VENDOR Tarnwick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${BREVANTO_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote control for broadcast monitors and the Cubrix LUT box")
set(CPACK_PACKAGE_DESCRIPTION "Brevanto remote-controls broadcast reference monitors and the Cubrix LUT box
over the MNCP protocol (TCP port 18181): device identity and channels, keys
and knobs, 1D and 3D LUT uploads, frame capture, and live waveform and
vectorscope displays.
.
The package also contains brevanto-cli (scripted device control, offline LUT
and frame tools) and brevanto-sim (a simulated device on a loopback address).")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(qml_runtime_packages
  qml-module-qtquick2 qml-module-qtquick-window2 qml-module-qtquick-layouts
  qml-module-qtquick-controls qml-module-qtquick-controls2 qml-module-qtquick-templates2
  qml-module-qtquick-dialogs qml-module-qtquick-privatewidgets qml-module-qt-labs-settings
  qml-module-qt-labs-folderlistmodel qml-module-qtdatavisualization qml-module-qtqml-models2)
list(JOIN qml_runtime_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)
