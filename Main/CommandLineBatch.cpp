// The batch form of the command line: `--run IN --steps N [--record-every K] --output OUT`.
#include "Main/CommandLine.h"

#include <charconv>
#include <optional>

namespace {

std::optional<std::int32_t> Count(std::string_view word) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc{} || end != word.data() + word.size() || value < 0)
        return std::nullopt;
    return value;
}

TCommandLine Error(std::string message) {
    TCommandLine result;
    result.Action = TCommandLine::TAction::Error;
    result.Message = std::move(message);
    return result;
}

} // namespace

TCommandLine TCommandLine::ParseBatchRun(std::span<const std::string_view> arguments) {
    TCommandLine result;
    result.Action = TAction::BatchRun;
    bool steps = false;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string_view option = arguments[k];
        std::string* text = option == "--run"      ? &result.File
                            : option == "--output" ? &result.Output
                                                   : nullptr;
        std::int32_t* number = option == "--steps"          ? &result.Steps
                               : option == "--record-every" ? &result.RecordEvery
                                                            : nullptr;
        if (text == nullptr && number == nullptr)
            return Error(option.starts_with("-")
                             ? "unknown option " + std::string(option) + " with --run"
                             : "unexpected " + std::string(option) + " with --run");
        if (k + 1 == arguments.size())
            return Error(std::string(option) + " needs a value");
        const std::string_view value = arguments[++k];
        if (text != nullptr) {
            *text = value;
            continue;
        }
        const std::optional<std::int32_t> count = Count(value);
        if (!count || (number == &result.RecordEvery && *count == 0))
            return Error(std::string(option) + " needs a whole number" +
                         (number == &result.RecordEvery ? " above 0" : "") + ", not " +
                         std::string(value));
        *number = *count;
        steps = steps || number == &result.Steps;
    }
    if (result.File.empty())
        return Error("--run needs the simulation to step");
    if (!steps)
        return Error("--run needs --steps N");
    if (result.Output.empty())
        return Error("--run needs --output FILE (which may be the simulation itself)");
    return result;
}
