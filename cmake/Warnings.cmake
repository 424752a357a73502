# Project-wide guardrails: warnings, Qt string-safety switches and the sanitizers.
add_library(dyt_options INTERFACE)
target_compile_options(dyt_options INTERFACE
  -Wall -Wextra -Wshadow -Wsuggest-override -Wcast-qual -Wformat=2)
if(DYT_WERROR)
  target_compile_options(dyt_options INTERFACE -Werror)
endif()
target_compile_definitions(dyt_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_KEYWORDS QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
if(DYT_FUZZ AND DYT_FUZZ_PLAIN)
  # Coverage only: for memory studies of long runs (heaptrack, RSS), where the sanitizers'
  # own bookkeeping would hide what the code keeps.
  target_compile_options(dyt_options INTERFACE -fsanitize=fuzzer-no-link -fno-omit-frame-pointer)
elseif(DYT_FUZZ)
  target_compile_options(dyt_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(dyt_options INTERFACE -fsanitize=address,undefined)
elseif(DYT_SANITIZE)
  target_compile_options(dyt_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(dyt_options INTERFACE -fsanitize=address,undefined)
endif()

# A faster linker where there is one, lld or else gold: the large test programs link in a
# fraction of the default linker's time.
include(CheckLinkerFlag)
foreach(_linker lld gold)
  check_linker_flag(CXX "-fuse-ld=${_linker}" DYT_LINKER_${_linker})
  if(DYT_LINKER_${_linker})
    target_link_options(dyt_options INTERFACE "-fuse-ld=${_linker}")
    break()
  endif()
endforeach()

# Collect the sources of one folder; new files are picked up on the next build.
function(dyt_glob_sources out dir)
  file(GLOB _s CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  set(${out} ${_s} PARENT_SCOPE)
endfunction()

# Precompiled headers for the Qt-heavy targets: the Qt and GoogleTest headers nearly every file of
# them includes are parsed once per target instead of once per file.
set(DYT_PCH_CORE <QString> <QStringList> <QList> <QHash> <QVariant> <QDate> <QDateTime>)
set(DYT_PCH_WIDGETS <QWidget> <QDialog> <QLabel> <QLineEdit> <QPushButton> <QComboBox>
  <QCheckBox> <QTableView> <QHeaderView> <QBoxLayout> <QGridLayout> <QAction> <QMenu>
  <QKeyEvent> <QApplication>)
function(dyt_precompile target)
  set(_headers ${DYT_PCH_CORE})
  if("WIDGETS" IN_LIST ARGN)
    list(APPEND _headers ${DYT_PCH_WIDGETS})
  endif()
  if("TESTS" IN_LIST ARGN)
    list(APPEND _headers <gtest/gtest.h>)
  endif()
  target_precompile_headers(${target} PRIVATE ${_headers})
endfunction()
