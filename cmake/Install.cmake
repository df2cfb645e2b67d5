# What `cmake --install` puts where, and the Debian package CPack makes of it
# (scripts/package). The programs go to bin/; their data, desktop entry, icons,
# AppStream metainfo, manual pages and bash completion to share/. The manual
# pages (scdoc) and the PNG icons (rsvg-convert) are made at build time; without
# those tools they are left out with a warning.
include(GNUInstallDirs)

set(VEDRA_RESOURCES ${CMAKE_SOURCE_DIR}/resources)
set(VEDRA_PACKAGE_NAME vedrareader)
set(VEDRA_METAINFO org.vedrareader.VedraReader.metainfo.xml)
# Dates written into generated files (manual pages, compressed files) come from
# here, so that two builds of one release give the same bytes.
set(VEDRA_RELEASE_EPOCH 1796774400)  # 2026-12-09 00:00 UTC

install(TARGETS vedra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET vedra-fetch)
  # `vedra fetch` hands itself over to it.
  install(TARGETS vedra-fetch RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vedrareader)
endif()
if(TARGET vedrareader)
  install(TARGETS vedrareader RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # `vedra print` finds it in libexec/vedrareader/ beside bin/.
  install(TARGETS vedra-print RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vedrareader)
endif()
if(TARGET vedra-search-provider)
  # The desktop's search box (GNOME Shell, KRunner) asks the current archive
  # through it; the bus starts it, so it is no program of the user's PATH.
  install(TARGETS vedra-search-provider RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vedrareader)
  set(VEDRA_SEARCH_PROVIDER_PATH ${CMAKE_INSTALL_FULL_LIBEXECDIR}/vedrareader/vedra-search-provider)
  configure_file(${VEDRA_RESOURCES}/searchprovider/org.vedrareader.SearchProvider.service.in
                 ${CMAKE_BINARY_DIR}/install-data/org.vedrareader.SearchProvider.service @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/install-data/org.vedrareader.SearchProvider.service
          DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/services)
  install(FILES ${VEDRA_RESOURCES}/searchprovider/vedrareader-search-provider.ini
          DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/search-providers)
  install(FILES ${VEDRA_RESOURCES}/searchprovider/vedrareader-krunner.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/krunner/dbusplugins RENAME vedrareader.desktop)
endif()
# Its presence beside bin/ is how the programs know they are installed.
install(FILES ${VEDRA_RESOURCES}/RadiciParole.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/vedrareader)
install(FILES ${VEDRA_RESOURCES}/desktop/vedrareader.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VEDRA_RESOURCES}/desktop/${VEDRA_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${VEDRA_RESOURCES}/icons/vedrareader.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${VEDRA_RESOURCES}/completion/vedra DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# The live index, off for every user until each turns it on (`vedra watch
# --enable`): a systemd user unit nobody's default.target wants yet, and the
# autostart entry as a template the program copies into the user's own autostart
# folder where no systemd user manager runs. Never into /etc/xdg/autostart, which
# would start it for everyone.
set(VEDRA_WATCH_UNIT ${VEDRA_RESOURCES}/systemd/vedra-watch.service)
if(NOT CMAKE_INSTALL_FULL_BINDIR STREQUAL "/usr/bin")
  # The unit names the program by its full path, which follows the prefix.
  file(READ ${VEDRA_WATCH_UNIT} unit_text)
  string(REPLACE "/usr/bin/vedra" "${CMAKE_INSTALL_FULL_BINDIR}/vedra" unit_text "${unit_text}")
  set(VEDRA_WATCH_UNIT ${CMAKE_BINARY_DIR}/install-data/vedra-watch.service)
  file(CONFIGURE OUTPUT ${VEDRA_WATCH_UNIT} CONTENT "${unit_text}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VEDRA_RESOURCES}/systemd/vedra-watch.service)
endif()
install(FILES ${VEDRA_WATCH_UNIT} DESTINATION lib/systemd/user)
install(FILES ${VEDRA_RESOURCES}/desktop/vedra-watch.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/vedrareader)

set(VEDRA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${VEDRA_PACKAGE_NAME})
set(VEDRA_GENERATED ${CMAKE_BINARY_DIR}/install-data)
find_program(VEDRA_GZIP gzip)
# gzip -n keeps no name or time in the header, as Debian wants its compressed
# documentation.
function(vedra_gzip input output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VEDRA_GENERATED}
    COMMAND sh -c "${VEDRA_GZIP} -9nc \"$0\" > \"$1\"" ${input} ${output}
    DEPENDS ${input} VERBATIM)
endfunction()

set(VEDRA_DATA_OUTPUTS)
if(VEDRA_GZIP)
  vedra_gzip(${VEDRA_RESOURCES}/packaging/changelog ${VEDRA_GENERATED}/changelog.gz)
  list(APPEND VEDRA_DATA_OUTPUTS ${VEDRA_GENERATED}/changelog.gz)
  install(FILES ${VEDRA_GENERATED}/changelog.gz DESTINATION ${VEDRA_DOC_DIR})
endif()
install(FILES ${VEDRA_RESOURCES}/packaging/copyright DESTINATION ${VEDRA_DOC_DIR})
if(TARGET vedra-fetch)
  install(FILES ${VEDRA_RESOURCES}/packaging/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${VEDRA_PACKAGE_NAME})
endif()

find_program(VEDRA_SCDOC scdoc)
if(VEDRA_SCDOC AND VEDRA_GZIP)
  foreach(page vedra vedrareader)
    set(source ${VEDRA_RESOURCES}/man/${page}.1.scd)
    set(roff ${VEDRA_GENERATED}/${page}.1)
    add_custom_command(OUTPUT ${roff}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VEDRA_GENERATED}
      COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VEDRA_RELEASE_EPOCH}
              sh -c "${VEDRA_SCDOC} < \"$0\" > \"$1\"" ${source} ${roff}
      DEPENDS ${source} VERBATIM)
    vedra_gzip(${roff} ${roff}.gz)
    list(APPEND VEDRA_DATA_OUTPUTS ${roff}.gz)
    install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(WARNING "scdoc or gzip not found: the manual pages are not built or installed")
endif()

find_program(VEDRA_RSVG rsvg-convert)
if(VEDRA_RSVG)
  set(VEDRA_ICON_SIZES 16 22 24 32 48 64 128 256)
  set(icons)
  foreach(size ${VEDRA_ICON_SIZES})
    list(APPEND icons ${VEDRA_GENERATED}/icons/${size}x${size}/apps/vedrareader.png)
  endforeach()
  add_custom_command(OUTPUT ${icons}
    COMMAND ${VEDRA_RESOURCES}/icons/render-icons.sh ${VEDRA_RESOURCES}/icons/vedrareader.svg
            ${VEDRA_GENERATED}/icons
    DEPENDS ${VEDRA_RESOURCES}/icons/vedrareader.svg ${VEDRA_RESOURCES}/icons/render-icons.sh VERBATIM)
  list(APPEND VEDRA_DATA_OUTPUTS ${icons})
  install(DIRECTORY ${VEDRA_GENERATED}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
else()
  message(WARNING "rsvg-convert not found: only the scalable icon is installed")
endif()
if(VEDRA_DATA_OUTPUTS)
  add_custom_target(vedra_install_data ALL DEPENDS ${VEDRA_DATA_OUTPUTS})
endif()

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VEDRA_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VedraReader developers")
set(CPACK_PACKAGE_CONTACT "VedraReader developers <maintainers@users.noreply.c-seed-448b48ce.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME "${VEDRA_PACKAGE_NAME}_${PROJECT_VERSION}_amd64")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Found at run time, not linked: libcurl is loaded for the first web fetch, Qt's
# platform plugins by Qt, and the outside programs are started by name: the two
# converters, and xdg-open, which opens every result without a program of its own.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, qt6-qpa-plugins, poppler-utils, p7zip-full, xdg-utils")
# Qt Multimedia plays sound and video through GStreamer's plugins, loaded at run
# time; without them the preview shows pictures only.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal desktop search engine")
# The body below the summary line; CPack indents it and marks the blank line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "VedraReader indexes folder trees into archives and finds the documents that
hold the words you type: plain text, web pages, PDF files, OpenDocument and
Office documents, and the files inside compressed archives. A result list
shows one row per document, with a preview of the text around each hit.

The package holds the desktop program vedrareader and the command vedra, and
answers the searches of GNOME Shell's and KDE KRunner's search boxes.")
# Qt's own dialogs (choosing a file or a folder, printing) speak Italian and
# Spanish with Qt's translations; without them they stay in English.
string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", qt6-translations-l10n")
# Text recognition, an archive option, reads pictures and scanned PDFs with
# tesseract and its English, Italian and Spanish data.
string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS
       ", tesseract-ocr, tesseract-ocr-eng, tesseract-ocr-ita, tesseract-ocr-spa")
include(CPack)
