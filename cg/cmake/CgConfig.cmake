# find_package(Cg): the imported targets Cg::Cg (the core, <Cg/cg.h>) and Cg::CgGL (the
# OpenGL binding, <Cg/cgGL.h>, which brings Cg::Cg).
include("${CMAKE_CURRENT_LIST_DIR}/CgTargets.cmake")
