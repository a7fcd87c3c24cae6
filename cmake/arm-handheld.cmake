# Cross-compiling the handheld programs for its main core: ARMv4T, ARM
# state, no floating-point unit, an old Linux kernel and no C library of
# ours on the device. The bare-metal ARM toolchain's default libraries
# (newlib, libstdc++, libgcc) are built for exactly that processor; the
# platform layer's device runtime supplies the process entry and the Linux
# system calls underneath them, and the programs are linked statically.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(LUMENFALL_ARM_PREFIX "arm-none-eabi-" CACHE STRING
    "Prefix of the cross tools, path included if they are not on PATH (gcc and g++ are appended)")
set(CMAKE_C_COMPILER "${LUMENFALL_ARM_PREFIX}gcc")
set(CMAKE_CXX_COMPILER "${LUMENFALL_ARM_PREFIX}g++")

# The compiler checks link nothing: without the device runtime there is no
# process entry yet.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Each function in a section of its own, so the link keeps only what is
# called. The programs neither throw nor look at types at run time.
set(lumenfall_arm_flags "-march=armv4t -marm -mfloat-abi=soft -ffunction-sections -fdata-sections --specs=nano.specs")
set(CMAKE_C_FLAGS_INIT "${lumenfall_arm_flags}")
set(CMAKE_CXX_FLAGS_INIT "${lumenfall_arm_flags} -fno-exceptions -fno-rtti")
# The device runtime is the process entry, hence no start files.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -nostartfiles -Wl,--gc-sections")

# Tells the platform layer to build the device runtime into the programs.
set(LUMENFALL_DEVICE_RUNTIME ON CACHE BOOL "Link the handheld's own process entry and system calls")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
