# Cross-compiling the handheld programs for 32-bit ARM Linux.
#
# The defaults use Debian's armel cross compiler and link statically, so the
# programs need no C library on the target and run under qemu-arm without a
# sysroot. A device toolchain plugs in through the cache variables below, e.g.
#   cmake --preset arm -DLUMENFALL_ARM_PREFIX=/opt/device/bin/arm-linux-
#         -DLUMENFALL_ARM_SYSROOT=/opt/device/sysroot
# (use a fresh build folder: the compiler is fixed at the first configure).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(LUMENFALL_ARM_PREFIX "arm-linux-gnueabi-" CACHE STRING
    "Prefix of the cross tools, path included if they are not on PATH (gcc and g++ are appended)")
# The handheld's cores are ARMv4T without a floating-point unit: ARM code
# (not Thumb), software floating point.
set(LUMENFALL_ARM_FLAGS "-march=armv4t -marm -mfloat-abi=soft" CACHE STRING
    "Code generation flags for the handheld's processor")
set(LUMENFALL_ARM_LINK_FLAGS "-static" CACHE STRING
    "Link flags; static linking keeps the programs independent of the target's C library")
set(LUMENFALL_ARM_SYSROOT "" CACHE PATH "Sysroot of a device toolchain (empty: the compiler's own)")

# try_compile projects start from an empty cache; hand them the same choices.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES
     LUMENFALL_ARM_PREFIX LUMENFALL_ARM_FLAGS LUMENFALL_ARM_LINK_FLAGS LUMENFALL_ARM_SYSROOT)

set(CMAKE_C_COMPILER "${LUMENFALL_ARM_PREFIX}gcc")
set(CMAKE_CXX_COMPILER "${LUMENFALL_ARM_PREFIX}g++")

set(CMAKE_C_FLAGS_INIT "${LUMENFALL_ARM_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${LUMENFALL_ARM_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${LUMENFALL_ARM_LINK_FLAGS}")

if(LUMENFALL_ARM_SYSROOT)
  set(CMAKE_SYSROOT "${LUMENFALL_ARM_SYSROOT}")
endif()
# Debian keeps each cross target's headers and libraries under /usr/<triplet>.
get_filename_component(lumenfall_arm_triplet "${LUMENFALL_ARM_PREFIX}" NAME)
string(REGEX REPLACE "-$" "" lumenfall_arm_triplet "${lumenfall_arm_triplet}")
if(lumenfall_arm_triplet AND IS_DIRECTORY "/usr/${lumenfall_arm_triplet}")
  list(APPEND CMAKE_FIND_ROOT_PATH "/usr/${lumenfall_arm_triplet}")
endif()

# Headers and libraries come from the target side only; build tools from the
# host.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
