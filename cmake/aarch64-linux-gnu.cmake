# Cross-compiling for arm64 Debian with its cross toolchain (crossbuild-essential-arm64),
# against the arm64 builds of Qt, GL and GoogleTest installed beside the machine's
# own (dpkg --add-architecture arm64), and with Qt's tools of the machine's own.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${CMAKE_LIBRARY_ARCHITECTURE}-gcc)
set(CMAKE_CXX_COMPILER ${CMAKE_LIBRARY_ARCHITECTURE}-g++)
set(PKG_CONFIG_EXECUTABLE ${CMAKE_LIBRARY_ARCHITECTURE}-pkg-config CACHE FILEPATH "")

# moc, rcc and uic run here.
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH OUTPUT_VARIABLE build_multiarch
  OUTPUT_STRIP_TRAILING_WHITESPACE)
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${build_multiarch}/cmake)

# The build runs its own texture and icon generators: arm64 programs, which run here
# through the kernel's qemu-user handler (binfmt_misc), as the package check registers it.
set(CMAKE_CROSSCOMPILING_EMULATOR env)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# CPack's dpkg-shlibdeps finds the arm64 libraries by the package's architecture.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
