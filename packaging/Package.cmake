# The Debian package, made by cpack from the installation (scripts/package.sh configures the build for it
# with the prefix /usr). CPack's DEB generator packs the very programs this build made and its tests ran;
# dpkg-shlibdeps gives the dependencies on shared libraries.

file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^torvane \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: its first entry is not version ${PROJECT_VERSION}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torvane)
set(CPACK_PACKAGE_VENDOR Quarnett)
set(CPACK_PACKAGE_CONTACT "Torvane Test developers <torvane@quarnett.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "processor stability tester (burn-in)")
set(CPACK_PACKAGE_DESCRIPTION
    "Torvane Test keeps the processor under sustained load with rotating,
self-checking workloads (a modified Whetstone floating-point pass, a fixed
series of MMX integer operations, a file encryption round trip checked by
CRC-32), stops with an error report the moment a pass disagrees with the pass
before it, and after a full day of work time issues a self-verifying
stability certificate.

The package holds the desktop program torvane (also a terminal run for
servers and scripts, on every processor at once), torvane-crypt (its
cryptographic library on the command line), torvane-sensors with a systemd
service that publishes the machine's temperatures, and torvane-fleet-summary
for the event streams of many runs.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What no library link tells: Qt's display plugins (the window opens through them) and Python for
# torvane-fleet-summary.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, python3")
# The fonts with the metrics of the window's design; xdg-open shows the guide and the homepage.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, xdg-utils")
# sensors-detect finds the drivers of the machine's sensors.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lm-sensors")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst
                                       ${PROJECT_SOURCE_DIR}/packaging/prerm ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# The service's unit has a place of its own outside the prefix (/lib/systemd/system).
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
