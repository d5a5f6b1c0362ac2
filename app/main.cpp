// tts-tool: type a text, pick a voice, press "合成" and get an MP3 address from the speech
// service; "播放" opens it and "复制" copies it.
#include <memory>

#include <QApplication>

#include "app/exit_routines.h"
#include "app/main_window.h"
#include "app/voice_catalogue.h"
#include "platform/automation_host.h"
#include "runtime/fatal_error.h"
#include "runtime/window_system.h"

int main() {
  platform::ole_initialize();
  const std::unique_ptr<QApplication> application = open_window_system();
  create_voice_catalogue();
  register_exit_routine(destroy_voice_catalogue);

  {
    // A window nobody can see or close would leave the program running for nothing.
    if (!window_system_has_display()) fatal_error(0, "载入启动窗口失败");
    MainWindow window;
    handle_window_created(*window.voiceList());
    window.show();
    application->exec();
  }

  run_exit_routines();
  platform::ole_uninitialize();
  return 0;
}
