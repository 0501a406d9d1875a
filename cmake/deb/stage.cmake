# Runs in CPack's staging tree before the package is made: the manual pages and the changelog
# are stored gzipped at the highest level, without a name or a time stamp in the header.
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man*/*.[1-9]")
set(doc_dir "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_SP_DOC_DIR}")
file(COPY_FILE "${CPACK_SP_DEB_CHANGELOG}" "${doc_dir}/changelog")
foreach(file IN LISTS pages ITEMS "${doc_dir}/changelog")
    execute_process(COMMAND gzip -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
