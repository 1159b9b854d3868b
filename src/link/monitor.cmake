# Serial traffic monitor: entry texts and the trace sink (Qt Core only), and the window.
add_library(tb_linkmonitor_core STATIC
  TrafficEntry.cpp TrafficEntry.h
  TraceMonitor.cpp TraceMonitor.h
  MonitorRules.cpp MonitorRules.h
  TrafficMonitor.h
)
target_include_directories(tb_linkmonitor_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tb_linkmonitor_core PUBLIC tb_common tb_settings Qt6::Core)

add_library(tb_linkmonitor STATIC
  SerialMonitorForm.cpp SerialMonitorForm.h
  MonitorListModel.cpp MonitorListModel.h
  MonitorGridDelegate.cpp MonitorGridDelegate.h
  MonitorTextWindow.cpp MonitorTextWindow.h
)
target_link_libraries(tb_linkmonitor PUBLIC tb_linkmonitor_core tb_link tb_i18n Qt6::Widgets)
