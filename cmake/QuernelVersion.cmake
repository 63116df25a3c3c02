# The one place the release number lives: the Linux and Windows builds, both programs' version
# information and the names of the archives handed out all take it from here. Raise the last
# number for every release.
set(QUERNEL_VERSION 2.0.1)

string(REPLACE "." "," QUERNEL_VERSION_COMMAS "${QUERNEL_VERSION}")
set(QUERNEL_VERSION_COMMAS "${QUERNEL_VERSION_COMMAS},0")
