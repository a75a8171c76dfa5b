#include "Main/Main.h"
#include "Main/BatchCommand.h"
#include "Main/CommandLine.h"
#include "Main/Program.h"
#include "Main/VideoCommand.h"
#include "statistics/FileStatistics.h"

#include <QApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    const std::string program = argc > 0 ? argv[0] : "astrivo";
    // Help and version need no display: answer them before the windowing system starts.
    for (int i = 1; i < argc; ++i) {
        const std::string_view word(argv[i]);
        if (word == "--")
            break;
        const std::string_view one[] = {word};
        const TCommandLine::TAction action = TCommandLine::Parse(one).Action;
        if (action == TCommandLine::TAction::Help) {
            std::fputs(TCommandLine::HelpText(program).c_str(), stdout);
            return 0;
        }
        if (action == TCommandLine::TAction::Version) {
            std::fputs(TCommandLine::VersionText().c_str(), stdout);
            return 0;
        }
    }
    // The figures of a file are for scripts and machines without a display: they are
    // printed before the windowing system is ever asked for.
    const std::vector<std::string_view> all(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto optionsEnd = std::find(all.begin(), all.end(), "--");
    // So are batch runs, which may go on for hours on a machine that has none.
    if (std::find(all.begin(), optionsEnd, "--run") != optionsEnd) {
        const TCommandLine command = TCommandLine::Parse(all);
        if (command.Action == TCommandLine::TAction::BatchRun)
            return BatchCommand::Run(command, program);
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), command.Message.c_str(),
                     TCommandLine::HelpText(program).c_str());
        return 2;
    }
    if (std::find(all.begin(), optionsEnd, "--statistics") != optionsEnd) {
        const TCommandLine command = TCommandLine::Parse(all);
        if (command.Action == TCommandLine::TAction::Statistics) {
            const TStorageResult result =
                FileStatistics::Write(command.File, command.Frames, std::cout, std::cerr);
            std::cout.flush();
            if (result.Ok)
                return 0;
            std::fprintf(stderr, "%s: %s\n", program.c_str(), result.Message.c_str());
            return 1;
        }
        if (command.Action == TCommandLine::TAction::Error) {
            std::fprintf(stderr, "%s: %s\n%s", program.c_str(), command.Message.c_str(),
                         TCommandLine::HelpText(program).c_str());
            return 2;
        }
    }
    // A video is rendered offscreen, for batch jobs and servers: no windowing system either.
    if (std::find(all.begin(), optionsEnd, "--export-video") != optionsEnd) {
        const TCommandLine command = TCommandLine::Parse(all);
        if (command.Action == TCommandLine::TAction::ExportVideo)
            return VideoCommand::Run(command.Video, program, std::cerr);
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), command.Message.c_str(),
                     TCommandLine::HelpText(program).c_str());
        return 2;
    }
    QApplication application(argc, argv);
    // Qt has taken its own options (-platform and the like); the rest are ours.
    std::vector<std::string> words;
    const QStringList arguments = application.arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        words.push_back(QFile::encodeName(arguments[i]).toStdString());
    const std::vector<std::string_view> views(words.begin(), words.end());
    const TCommandLine command = TCommandLine::Parse(views);
    switch (command.Action) {
    case TCommandLine::TAction::Error:
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), command.Message.c_str(),
                     TCommandLine::HelpText(program).c_str());
        return 2;
    default:
        break;
    }
    TProgram astrivo(application);
    if (!command.File.empty())
        astrivo.MainForm()->SetStartFile(QFile::decodeName(command.File.c_str()));
    astrivo.Show();
    return application.exec();
}
