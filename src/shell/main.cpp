// Program entry of trainer: start-up from the command line, then the main
// window's run, whose result is the exit code.

#include "platform/exception.h"
#include "platform/message_box.h"
#include "shell/command_line.h"
#include "shell/main_window.h"
#include "shell/single_copy.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    // The shell has already split and unquoted the words.
    std::vector<std::string> words(argv + 1, argv + argc);
    try {
        const vTrStartup_c startup = ParseCommandLine(words);
        const auto lock = TakeLanguageLock(startup);
        if (!lock) return 0;
        vTrMainWin_c app(startup);
        app.RegisterWindowClass();
        return app.Run();
    } catch (const vException_c& e) {
        // No window exists yet to show it: a fatal start-up failure.
        platform::ShowMessageBox({e.Message(), "The following fatal exception occured:", platform::BoxIcon::Stop,
                                  platform::BoxButtons::Ok});
        return -1;
    }
}
