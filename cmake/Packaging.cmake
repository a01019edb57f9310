# Install layout and the Debian package (cpack -G DEB).
#
# The program, the controller library and the board simulator share one
# private directory, so a maker's library of the same ABI can be dropped in
# beside the executable; /usr/bin/tavorin starts the program from there.
include(GNUInstallDirs)

set(TAVORIN_INSTALL_SUBDIR "lib/tavorin")
set(TAVORIN_INSTALL_DIR "${CMAKE_INSTALL_PREFIX}/${TAVORIN_INSTALL_SUBDIR}")

install(TARGETS Tavorin tavorin-run KQ_API
  RUNTIME DESTINATION ${TAVORIN_INSTALL_SUBDIR}
  LIBRARY DESTINATION ${TAVORIN_INSTALL_SUBDIR})
if(TARGET kq-board-sim)
  install(TARGETS kq-board-sim RUNTIME DESTINATION ${TAVORIN_INSTALL_SUBDIR})
endif()

# The launcher names the directory as installed on the target system.
set(TAVORIN_INSTALL_DIR "/usr/${TAVORIN_INSTALL_SUBDIR}")
configure_file(packaging/tavorin.in ${CMAKE_BINARY_DIR}/packaging/tavorin @ONLY)
configure_file(packaging/tavorin-run.in ${CMAKE_BINARY_DIR}/packaging/tavorin-run @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/tavorin ${CMAKE_BINARY_DIR}/packaging/tavorin-run
  DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES packaging/tavorin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/tavorin.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES resources/tavorin.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)

# Debian's documentation files: the copyright and the compressed changelog.
configure_file(packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/tavorin.1.gz
  COMMAND gzip -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/packaging/tavorin.1 > ${CMAKE_BINARY_DIR}/packaging/tavorin.1.gz
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/tavorin.1)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/tavorin-run.1.gz
  COMMAND gzip -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/packaging/tavorin-run.1 > ${CMAKE_BINARY_DIR}/packaging/tavorin-run.1.gz
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/tavorin-run.1)
add_custom_target(tavorin_package_docs ALL
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${CMAKE_BINARY_DIR}/packaging/tavorin.1.gz
  ${CMAKE_BINARY_DIR}/packaging/tavorin-run.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/tavorin.1.gz ${CMAKE_BINARY_DIR}/packaging/tavorin-run.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavorin)

set(CPACK_PACKAGE_NAME "tavorin")
set(CPACK_PACKAGE_VENDOR "${TAVORIN_COMPANY}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Tavorin Works <support@tavorin.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}")
# Loaded as plug-ins, so the computed dependencies miss them: the SVG icons,
# the X11 platform plug-in; Chinese dialogs and a Chinese font are recommended.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavorin.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "motion control assistant for stepper-motor stages")
# CPack puts the summary in front as the synopsis line and indents the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Desktop program with which an operator drives a multi-axis stepper-motor
controller board: linear and rotary stages, open loop or closed loop on a
grating ruler or an encoder, manual moves, several axes at once and
automatic programs with generated raster scans. It ships a simulated
board, so it runs without hardware.

运动控制助手：多轴步进电机控制器的桌面操作程序。支持直线与旋转平台、
开环或光栅尺/编码器闭环、手动操作、多轴同时启动以及带光栅扫描生成的
自动方案。附带模拟控制板，无需硬件即可运行。")
include(CPack)
