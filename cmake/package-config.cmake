# Read by cpack before it makes each package (CPACK_PROJECT_CONFIG_FILE): every tool it runs, the
# strip of calculator.exe and dpkg-deb among them, gives what it writes the release's time.
set(ENV{SOURCE_DATE_EPOCH} ${CPACK_SOURCE_DATE_EPOCH})
