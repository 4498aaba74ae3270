# Windows: the exe with its icon and version resource, beside the Qt and MinGW DLLs and
# plugins it needs (there is no windeployqt here), as a portable zip and an NSIS installer.
configure_file(res/glow-panel.rc.in glow-panel.rc @ONLY)
target_sources(glow-panel PRIVATE ${PROJECT_BINARY_DIR}/glow-panel.rc)

# The runtime, copied once into the build's bin folder so that the exe and the tests run
# from there (under Wine too), and installed beside the exe.
get_filename_component(qt_windows "${Qt6_DIR}/../../.." ABSOLUTE)
set(runtime_dlls)
foreach(module Core Gui Widgets SerialPort Sql)
  list(APPEND runtime_dlls "${qt_windows}/bin/Qt6${module}.dll")
endforeach()
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(found "${found}" REALPATH)
  list(APPEND runtime_dlls "${found}")
endforeach()
# The offscreen platform runs a sequence headless (--run), with no window to show; the SQLite
# driver keeps the results. (A server database on Windows is not offered yet.)
set(plugins platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll
            sqldrivers/qsqlite.dll)
file(COPY ${runtime_dlls} "${qt_windows}/bin/Qt6Test.dll" DESTINATION ${PROJECT_BINARY_DIR}/bin)
foreach(plugin ${plugins})
  get_filename_component(dir ${plugin} DIRECTORY)
  file(COPY "${qt_windows}/plugins/${plugin}" DESTINATION ${PROJECT_BINARY_DIR}/bin/${dir})
endforeach()

# Qt's own texts in Traditional Chinese, built in: Qt for Windows ships no translations.
set(qt_translations ${QT_HOST_PATH}/share/qt6/translations)
qt_add_resources(glowui "qt_translations" PREFIX "/i18n" BASE ${qt_translations}
                 FILES ${qt_translations}/qtbase_zh_TW.qm)

install(TARGETS glow-panel RUNTIME DESTINATION .)
install(FILES ${runtime_dlls} DESTINATION .)
foreach(plugin ${plugins})
  get_filename_component(dir ${plugin} DIRECTORY)
  install(FILES "${qt_windows}/plugins/${plugin}" DESTINATION ${dir})
endforeach()
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_FILE_NAME glow-panel-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY glow-panel)
set(CPACK_PACKAGE_EXECUTABLES glow-panel GLOW_PANEL)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_NSIS_DISPLAY_NAME GLOW_PANEL)
set(CPACK_NSIS_PACKAGE_NAME GLOW_PANEL)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/res/glow-panel.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/res/glow-panel.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME glow-panel.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
# A 64-bit installer, like the program it installs: it writes the 64-bit registry view.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
# The installer is the one file named -setup.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack-windows.cmake)
