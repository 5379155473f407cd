# What `cmake --install` puts where (GNU directory names under the prefix), and so what the
# Debian package holds: the three programs, the desktop entry and its icons, the manual pages,
# the documents and the sample settings file.
include(GNUInstallDirs)

set(KOLB_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(kolb_made ${CMAKE_BINARY_DIR}/packaging)
# The name KOLB reads its settings from in the working folder; the sample is installed under it.
set(KOLB_SETTINGS_NAME ZEMASettings.txt)

set(KOLB_PROGRAMS kolb kolb-decksim kolb-list)
install(TARGETS ${KOLB_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cmake --install --strip, and the package) also drops the compiler's
# .comment section, as Debian's own packages are stripped.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program ${KOLB_PROGRAMS})
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()")

# The desktop menu entry and its icon, drawn as SVG and rendered to PNGs by render-icons.
install(FILES ${KOLB_PACKAGING_DIR}/kolb.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KOLB_PACKAGING_DIR}/kolb.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
    install(FILES ${KOLB_PACKAGING_DIR}/icons/kolb-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kolb.png)
endforeach()

# kolb --home-folder copies the sample settings from <bindir>/../share/kolb/.
set(kolb_sample ${KOLB_PACKAGING_DIR}/${KOLB_SETTINGS_NAME})
install(FILES ${kolb_sample} DESTINATION ${CMAKE_INSTALL_DATADIR}/kolb)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${kolb_sample} ${KOLB_PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${KOLB_PACKAGING_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kolb)

# The manual pages and the changelog carry the version and a date: the build's, or the one
# SOURCE_DATE_EPOCH gives, so that a package made twice from one commit is the same. Both are
# installed compressed with gzip -9n, as Debian's policy asks.
string(TIMESTAMP KOLB_MAN_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP KOLB_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(KOLB_MAINTAINER "KOLB maintainers <maintainers@users.noreply.c-seed-29b08a02.example>")

set(kolb_compressed)
foreach(page kolb.1 kolb-decksim.1 kolb-list.1)
    configure_file(${KOLB_PACKAGING_DIR}/man/${page} ${kolb_made}/${page} @ONLY)
    list(APPEND kolb_compressed ${page})
endforeach()
configure_file(${KOLB_PACKAGING_DIR}/changelog ${kolb_made}/changelog @ONLY)
list(APPEND kolb_compressed changelog)

set(kolb_gz)
foreach(file ${kolb_compressed})
    add_custom_command(OUTPUT ${kolb_made}/${file}.gz
                       COMMAND gzip -9n -c ${kolb_made}/${file} > ${kolb_made}/${file}.gz
                       DEPENDS ${kolb_made}/${file}
                       COMMENT "Compressing ${file}")
    list(APPEND kolb_gz ${kolb_made}/${file}.gz)
endforeach()
add_custom_target(kolb_packaging_files ALL DEPENDS ${kolb_gz})

install(FILES ${kolb_made}/kolb.1.gz ${kolb_made}/kolb-decksim.1.gz ${kolb_made}/kolb-list.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${kolb_made}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
