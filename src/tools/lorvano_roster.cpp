// lorvano-roster: keeps the teachers and pupils of user management.
//
//   lorvano-roster [--users FILE] list
//   lorvano-roster [--users FILE] add-teacher NAME
//   lorvano-roster [--users FILE] set-password NAME
//   lorvano-roster [--users FILE] remove-teacher NAME
//   lorvano-roster [--users FILE] add-pupil NAME
//   lorvano-roster [--users FILE] remove-pupil NAME [--with-recordings]
//
// FILE defaults to the users file of the account that runs it
// ("$XDG_DATA_HOME/lorvano/TrUsers.dat"); pupils' folders are in "pupils/"
// beside it. A password is read from standard input: typed twice without echo
// at a terminal, otherwise the first line (for scripts). A damaged users file
// is reported and left untouched. Exit codes: 0 done, 1 refused or failed,
// 2 wrong arguments.

#include "platform/exception.h"
#include "platform/user_data.h"
#include "roster/pupils.h"
#include "roster/users_file.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

int Usage() {
    std::fputs("usage: lorvano-roster [--users FILE] list\n"
               "       lorvano-roster [--users FILE] add-teacher|set-password|remove-teacher NAME\n"
               "       lorvano-roster [--users FILE] add-pupil NAME\n"
               "       lorvano-roster [--users FILE] remove-pupil NAME [--with-recordings]\n"
               "A password is read from standard input.\n",
               stderr);
    return 2;
}

// One line of standard input, echo off at a terminal.
std::string ReadSecretLine(const char* prompt) {
    const bool terminal = ::isatty(STDIN_FILENO);
    termios old{};
    if (terminal) {
        std::fputs(prompt, stderr);
        ::tcgetattr(STDIN_FILENO, &old);
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
        std::fputc('\n', stderr);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string ReadPassword() {
    const std::string password = ReadSecretLine("Password: ");
    if (::isatty(STDIN_FILENO) && ReadSecretLine("Repeat password: ") != password)
        throw vTextException_c("The two passwords differ.");
    return password;
}

int Run(const std::string& usersPath, const std::vector<std::string>& args) {
    const std::string& command = args[0];
    roster::vUsersFile_c users(usersPath);
    roster::vPupilStore_c pupils(roster::PupilsRootFor(usersPath));
    const bool withName = command != "list";
    if (withName != (args.size() >= 2)) return Usage();
    const std::string name = withName ? args[1] : std::string();
    const bool purge = args.size() == 3 && args[2] == "--with-recordings";
    if (args.size() > (command == "remove-pupil" ? 3u : 2u) || (args.size() == 3 && !purge)) return Usage();

    users.Load();
    if (command == "list") {
        for (const std::string& t : users.Teachers()) std::printf("teacher\t%s\n", t.c_str());
        for (const std::string& p : pupils.Pupils())
            std::printf("pupil\t%s\t%zu recording(s)\n", p.c_str(), pupils.Recordings(p).size());
    } else if (command == "add-teacher") {
        if (users.HasTeacher(name)) throw vTextException_c("A teacher named " + name + " already exists.");
        users.AddTeacher(name, ReadPassword());
        users.Save();
    } else if (command == "set-password") {
        if (!users.HasTeacher(name)) throw vTextException_c("There is no teacher named " + name + ".");
        users.SetPassword(name, ReadPassword());
        users.Save();
    } else if (command == "remove-teacher") {
        users.RemoveTeacher(name);
        users.Save();
    } else if (command == "add-pupil") {
        const std::string pupil = pupils.Add(name);
        std::printf("%s\n", pupils.Folder(pupil).c_str());
    } else if (command == "remove-pupil") {
        pupils.Remove(name, purge);
    } else {
        return Usage();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string usersPath = platform::UserDataDir() + "TrUsers.dat";
    if (args.size() >= 2 && args[0] == "--users") {
        usersPath = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) return Usage();
    try {
        return Run(usersPath, args);
    } catch (const vTextException_c& e) {
        std::fprintf(stderr, "lorvano-roster: %s\n", e.Text().c_str());
    } catch (const vException_c& e) {
        std::fprintf(stderr, "lorvano-roster: %s", e.Message().c_str());
    }
    return 1;
}
