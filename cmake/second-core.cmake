# Cross-compiling the second core's program: ARMv4T in ARM state, no
# floating-point unit, no operating system. The same bare-metal toolchain
# and libraries as the handheld programs (cmake/arm-handheld.cmake), but
# with the program's own start code and linker script instead of a process
# entry and Linux system calls.

set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(LUMENFALL_ARM_PREFIX "arm-none-eabi-" CACHE STRING
    "Prefix of the cross tools, path included if they are not on PATH (gcc and g++ are appended)")
set(CMAKE_C_COMPILER "${LUMENFALL_ARM_PREFIX}gcc")
set(CMAKE_CXX_COMPILER "${LUMENFALL_ARM_PREFIX}g++")
set(CMAKE_ASM_COMPILER "${LUMENFALL_ARM_PREFIX}gcc")
set(CMAKE_OBJCOPY "${LUMENFALL_ARM_PREFIX}objcopy" CACHE FILEPATH "objcopy of the cross tools")
set(CMAKE_NM "${LUMENFALL_ARM_PREFIX}nm" CACHE FILEPATH "nm of the cross tools")

set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Soft floating point from libgcc until the renderer core is integer only.
set(lumenfall_core_flags "-march=armv4t -marm -mfloat-abi=soft -ffunction-sections -fdata-sections --specs=nano.specs")
set(CMAKE_C_FLAGS_INIT "${lumenfall_core_flags}")
set(CMAKE_ASM_FLAGS_INIT "${lumenfall_core_flags}")
set(CMAKE_CXX_FLAGS_INIT "${lumenfall_core_flags} -fno-exceptions -fno-rtti -fno-threadsafe-statics")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-nostartfiles -Wl,--gc-sections")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
