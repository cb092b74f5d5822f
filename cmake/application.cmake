# The application's own sources, which the Windows and the browser builds
# compile beside their own layers; TONBROOK_SOURCE_DIR is the top folder.
set(TONBROOK_SIGNAL_SOURCES
  ${TONBROOK_SOURCE_DIR}/synth/snap.cpp
  ${TONBROOK_SOURCE_DIR}/synth/render.cpp
  ${TONBROOK_SOURCE_DIR}/synth/noise.cpp
  ${TONBROOK_SOURCE_DIR}/sound/sounddata.cpp)
set(TONBROOK_ENGINE_SOURCES
  ${TONBROOK_SOURCE_DIR}/sound/sounddev.cpp
  ${TONBROOK_SOURCE_DIR}/sound/soundbuf.cpp)
set(TONBROOK_SHELL_SOURCES
  ${TONBROOK_SOURCE_DIR}/shell/winmain.cpp
  ${TONBROOK_SOURCE_DIR}/shell/wndproc.cpp
  ${TONBROOK_SOURCE_DIR}/shell/create.cpp
  ${TONBROOK_SOURCE_DIR}/shell/paint.cpp
  ${TONBROOK_SOURCE_DIR}/shell/commands.cpp
  ${TONBROOK_SOURCE_DIR}/shell/about.cpp)
