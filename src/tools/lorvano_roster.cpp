// lorvano-roster: keeps the teachers and pupils of user management.
//
//   lorvano-roster [--users FILE] list
//   lorvano-roster [--users FILE] add-teacher NAME
//   lorvano-roster [--users FILE] set-password NAME
//   lorvano-roster [--users FILE] remove-teacher NAME
//   lorvano-roster [--users FILE] add-pupil NAME
//   lorvano-roster [--users FILE] remove-pupil NAME [--with-recordings]
//   lorvano-roster [--users FILE] report PUPIL [--from DATE] [--to DATE] [--csv FILE] [--pdf FILE]
//   lorvano-roster [--users FILE] export PUPIL DIR
//   lorvano-roster [--users FILE] agreement [--teacher T] [--exercise E]
//
// FILE defaults to the users file of the account that runs it
// ("$XDG_DATA_HOME/lorvano/TrUsers.dat"); pupils' folders are in "pupils/"
// beside it, the progress records in "progress.sqlite" beside it (DATE is
// YYYY-MM-DD; a pupil's records go with the pupil). A password is read from standard input: typed twice without echo
// at a terminal, otherwise the first line (for scripts). A damaged users file
// is reported and left untouched. Exit codes: 0 done, 1 refused or failed,
// 2 wrong arguments.

#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "platform/user_data.h"
#include "progress/progress_pdf.h"
#include "progress/progress_report.h"
#include "progress/progress_store.h"
#include "roster/pupils.h"
#include "roster/roster_names.h"
#include "roster/roster_progress.h"
#include "roster/users_file.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
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
               "       lorvano-roster [--users FILE] report PUPIL [--from DATE] [--to DATE] [--csv FILE] [--pdf FILE]\n"
               "       lorvano-roster [--users FILE] export PUPIL DIR\n"
               "       lorvano-roster [--users FILE] agreement [--teacher T] [--exercise E]\n"
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

// "--name value" options after the command's fixed arguments; false when an
// argument is none of the allowed options or lacks its value.
bool ReadOptions(const std::vector<std::string>& args, std::size_t first,
                 std::map<std::string, std::string>& options) {
    for (std::size_t i = first; i < args.size(); i += 2) {
        if (i + 1 >= args.size() || !options.contains(args[i])) return false;
        options[args[i]] = args[i + 1];
    }
    return true;
}

// A "YYYY-MM-DD" day that exists; raises otherwise.
void CheckDate(const std::string& text) {
    unsigned y = 0, m = 0, d = 0;
    char end = 0;
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4u-%2u-%2u%c", &y, &m, &d, &end) != 3 ||
        !std::chrono::year_month_day(std::chrono::year(static_cast<int>(y)), std::chrono::month(m),
                                     std::chrono::day(d))
             .ok())
        throw vTextException_c("Not a date (YYYY-MM-DD): " + text);
}

// The pupil's name as the records know it: as spelt on disk when the pupil
// has a folder, else as given.
std::string PupilName(const roster::vPupilStore_c& pupils, const std::string& name) {
    const std::string onDisk = pupils.Find(name);
    return onDisk.empty() ? name : onDisk;
}

std::string Percent(double fraction) {
    if (std::isnan(fraction)) return "-";
    char text[16];
    std::snprintf(text, sizeof text, "%.0f%%", fraction * 100);
    return text;
}

std::string Fixed(double value) {
    if (std::isnan(value)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

void PrintAgreement(const std::string& label, const std::vector<progress::vStoredTry_c>& tries) {
    const progress::vAgreement_c a = progress::Agreement(tries);
    std::printf("%s\t%d\t%s\t%s\t%s\t%s\t%s\n", label.c_str(), a.tries, Percent(a.exact).c_str(),
                Percent(a.withinOne).c_str(), Fixed(a.kappa).c_str(), Fixed(a.meanWhenHigh).c_str(),
                Fixed(a.meanWhenLow).c_str());
}

int Report(progress::vProgressStore_c& store, const roster::vPupilStore_c& pupils,
           const std::vector<std::string>& args) {
    std::map<std::string, std::string> options{{"--from", ""}, {"--to", ""}, {"--csv", ""}, {"--pdf", ""}};
    if (args.size() < 2 || !ReadOptions(args, 2, options) || (options["--csv"].empty() && options["--pdf"].empty()))
        return Usage();
    const std::string &from = options["--from"], &to = options["--to"];
    if (!from.empty()) CheckDate(from);
    if (!to.empty()) CheckDate(to);
    if (!from.empty() && !to.empty() && to < from)
        throw vTextException_c("The period ends (" + to + ") before it begins (" + from + ").");
    const std::string pupil = PupilName(pupils, args[1]);
    const auto tries = store.Tries(pupil, from, to);
    if (tries.empty() && pupils.Find(pupil).empty() && store.Tries(pupil).empty())
        throw vTextException_c("There is no pupil named " + args[1] + ".");
    if (const std::string& file = options["--csv"]; !file.empty()) {
        std::ostringstream csv;
        progress::WriteCsv(csv, tries);
        if (!platform::WriteFileAtomically(file, csv.str())) throw vExErrNo_c(file);
        std::printf("%zu tries of %s written to %s.\n", tries.size(), pupil.c_str(), file.c_str());
    }
    if (const std::string& file = options["--pdf"]; !file.empty()) {
        const std::string period = from.empty() && to.empty() ? std::string("all tries")
                                                                : (from.empty() ? "..." : from) + " to " +
                                                                      (to.empty() ? "..." : to);
        const std::string pdf = progress::PdfReport(pupil + " \u2014 " + period, tries);
        if (pdf.empty()) throw vTextException_c("The PDF report could not be drawn.");
        if (!platform::WriteFileAtomically(file, pdf)) throw vExErrNo_c(file);
        std::printf("%zu tries of %s drawn in %s.\n", tries.size(), pupil.c_str(), file.c_str());
    }
    return 0;
}

int Export(progress::vProgressStore_c& store, const roster::vPupilStore_c& pupils,
           const std::vector<std::string>& args) {
    if (args.size() != 3) return Usage();
    const std::string pupil = PupilName(pupils, args[1]);
    const auto tries = store.Tries(pupil);
    const bool hasFolder = !pupils.Find(pupil).empty();
    if (tries.empty() && !hasFolder) throw vTextException_c("There is no pupil named " + args[1] + ".");
    namespace fs = std::filesystem;
    const fs::path dir = args[2];
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw vExErrNo_c(dir.string(), ec.value());
    std::ostringstream csv;
    progress::WriteCsv(csv, tries);
    const std::string csvPath = (dir / "tries.csv").string();
    if (fs::exists(csvPath)) throw vTextException_c(csvPath + " exists already; it was left as it is.");
    if (!platform::WriteFileAtomically(csvPath, csv.str())) throw vExErrNo_c(csvPath);
    std::size_t copied = 0;
    const auto recordings = hasFolder ? pupils.Recordings(pupil) : std::vector<roster::vRecordingInfo_c>{};
    for (const roster::vRecordingInfo_c& r : recordings) {
        // Never over an existing file: copy_file refuses then.
        fs::copy_file(r.wavPath, dir / fs::path(r.wavPath).filename(), ec);
        if (ec) throw vExErrNo_c(r.wavPath, ec.value());
        ++copied;
    }
    std::printf("%zu tries and %zu recordings of %s written to %s.\n", tries.size(), copied, pupil.c_str(),
                dir.string().c_str());
    return 0;
}

int AgreementReport(progress::vProgressStore_c& store, const std::vector<std::string>& args) {
    std::map<std::string, std::string> options{{"--teacher", ""}, {"--exercise", ""}};
    if (!ReadOptions(args, 1, options)) return Usage();
    const std::string &teacher = options["--teacher"], &exercise = options["--exercise"];
    std::map<std::string, std::vector<progress::vStoredTry_c>> byExercise;
    std::vector<progress::vStoredTry_c> all;
    for (progress::vStoredTry_c& t : store.Tries({})) {
        if (!teacher.empty() && !roster::SameName(t.teacher, teacher)) continue;
        // The exercise as given, or a file of that name in any folder.
        const std::string& file = t.exerciseFile;
        if (!exercise.empty() && file != exercise && !file.ends_with("/" + exercise)) continue;
        byExercise[file].push_back(t);
        all.push_back(std::move(t));
    }
    if (progress::Agreement(all).tries == 0) {
        std::printf("No tries with the teacher's mark.\n");
        return 0;
    }
    std::printf("exercise\ttries\texact\twithin one\tkappa\tprogram mark when teacher 4-5\twhen 1-2\n");
    for (const auto& [file, tries] : byExercise)
        if (progress::Agreement(tries).tries > 0) PrintAgreement(file, tries);
    PrintAgreement("all", all);
    return 0;
}

int Run(const std::string& usersPath, const std::vector<std::string>& args) {
    const std::string& command = args[0];
    roster::vUsersFile_c users(usersPath);
    roster::vPupilStore_c pupils(roster::PupilsRootFor(usersPath));
    if (command == "report" || command == "export" || command == "agreement") {
        progress::vProgressStore_c store(roster::ProgressDatabaseFor(usersPath),
                                         progress::vProgressStore_c::Open::CreateOrWrite);
        if (command == "report") return Report(store, pupils, args);
        if (command == "export") return Export(store, pupils, args);
        return AgreementReport(store, args);
    }
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
        progress::vProgressStore_c store(roster::ProgressDatabaseFor(usersPath),
                                         progress::vProgressStore_c::Open::CreateOrWrite);
        const std::string pupil = PupilName(pupils, name);
        const std::size_t tries = store.Tries(pupil).size();
        if (tries > 0 && !purge)
            throw vTextException_c("The pupil " + pupil + " still has " + std::to_string(tries) + " recorded tries.");
        // The folder first: it may still refuse (recordings without
        // --with-recordings), and then the records stay too.
        if (!pupils.Find(pupil).empty() || tries == 0) pupils.Remove(name, purge);
        store.RemovePupil(pupil);
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
