# CPack post-build script: CPack writes postinst and postrm scripts that call ldconfig for
# a library in /usr/lib; Debian packages activate libc's ldconfig trigger instead. The
# package is unpacked, its two scripts are replaced by the trigger, and it is packed again
# (contents and md5sums unchanged). The package's own maintainer scripts (the service's user
# and folder, CPACK_VESKA_MAINTAINER_SCRIPTS) take their place.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    set(tree ${CPACK_TOPLEVEL_DIRECTORY}/ldconfig-trigger)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
    file(WRITE ${tree}/DEBIAN/triggers "activate-noawait ldconfig\n")
    file(COPY ${CPACK_VESKA_MAINTAINER_SCRIPTS} DESTINATION ${tree}/DEBIAN
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
        WORLD_READ WORLD_EXECUTE)
    execute_process(COMMAND dpkg-deb --root-owner-group --build ${tree} ${deb}
        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
