# cmake -DCHECK_SCRIPT=<cmake/check_binary.cmake> <its own -D arguments> -P check_binary_with_policies.cmake
# Runs the binary check under the project's policy level: as a bare script it has none, and
# its if(... IN_LIST ...) stops with "Unknown arguments" as soon as a .def lists an export.
cmake_minimum_required(VERSION 3.21)
include(${CHECK_SCRIPT})
