#include "export/SaveCommand.h"

#include "export/AtomicFileOutput.h"

#include <cctype>
#include <cerrno>
#include <cstring>

SaveResult save_metafile(Output& out, const MetafileDrawing& draw)
{
    SaveResult result;
    const auto stop = [&](SaveResult::Stage stage, std::error_code reason) {
        result.failed_at = stage;
        result.error = reason;
        out.cancel();
        result.earlier = out.earlier();
        return result;
    };

    if (!out.open())
        return stop(SaveResult::Stage::Open, out.error());
    result.exported = draw(out);
    if (result.exported.write_failed) {
        // The output saw nothing wrong: the writer refused a file too large to describe.
        const std::error_code reason = out.error() ? out.error() : std::make_error_code(std::errc::file_too_large);
        return stop(SaveResult::Stage::Write, reason);
    }
    if (result.exported.limit || result.exported.cancelled) {
        out.cancel();
        result.earlier = out.earlier();
        return result;
    }
    if (!out.commit())
        return stop(SaveResult::Stage::Commit, out.error());
    return result;
}

std::string reason_in_words(std::error_code reason)
{
    switch (reason.value()) {
    case ENOSPC: return "the disk is full";
    case EDQUOT: return "the disk quota is used up";
    case EACCES:
    case EPERM: return "no permission to write there";
    case ENAMETOOLONG: return "the name is too long";
    case ENOENT: return "the folder does not exist";
    case ENOTDIR: return "a part of the path is not a folder";
    case EROFS: return "the filesystem is read-only";
    case EIO: return "an input/output error: the disk or its connection failed";
    case EISDIR: return "that is a folder";
    case ELOOP: return "the name goes round in a loop of symbolic links";
    case EFBIG: return "the file would be too large";
    case EMFILE:
    case ENFILE: return "too many files are open";
    case EBUSY:
    case ETXTBSY: return "the file is in use";
    case EINVAL: return "the name is not valid there";
    case EEXIST: return "no free name for a temporary file beside it";
    case ENOMEM: return "the memory is exhausted";
    default: break;
    }
    // Less common reasons in the system's own words, as long as it has some.
    const std::string words = reason.message();
    if (!reason || words.empty() || words.starts_with("Unknown error"))
        return "the system reported error " + std::to_string(reason.value());
    std::string lower = words;
    lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
    return lower;
}

namespace {

std::string earlier_file(Output::Earlier earlier)
{
    switch (earlier) {
    case Output::Earlier::None: return "Nothing was left under that name.";
    case Output::Earlier::Unchanged: return "The earlier file of that name is unchanged.";
    case Output::Earlier::Damaged:
        return "The earlier file of that name is damaged: its folder takes no new files, so it was "
               "being written in place.";
    }
    return {};
}

} // namespace

std::string save_failure_message(const SaveResult& result, std::string_view file)
{
    if (result.failed_at == SaveResult::Stage::Open && result.error.category() == refusal_category()) {
        std::string words = result.error.message();
        words.erase(0, words.find(' ')); // "it is ..." names the file instead
        return std::string(file) + words + ": not saved";
    }
    if (result.failed_at != SaveResult::Stage::None)
        return "The file was not saved.\n" + std::string(file) + ": " + reason_in_words(result.error) + ".\n"
            + earlier_file(result.earlier);
    if (result.exported.cancelled && result.earlier == Output::Earlier::Damaged)
        return "The save was cancelled.\n" + std::string(file) + ": " + earlier_file(result.earlier);
    return {};
}

std::string limit_consequence(const SaveResult& result)
{
    std::string text = "The file was not saved.";
    if (result.earlier == Output::Earlier::Damaged)
        text += "\n" + earlier_file(result.earlier);
    return text;
}

std::string saved_message(const ExportResult& result, FigureFormat format)
{
    const std::string count = std::to_string(result.clipped + result.left_out);
    if (format == FigureFormat::Metafile) {
        if (result.clipped + result.left_out == 0)
            return {};
        return "The file was saved. " + count
            + " of its strings reached beyond the range a metafile can hold (-16383 to 16383 on either axis): "
            + std::to_string(result.clipped) + " cut at its edge, " + std::to_string(result.left_out) + " left out.";
    }
    std::string text;
    if (result.left_out > 0)
        text = "The file was saved. " + count
            + (result.left_out == 1 ? " string has an end that is not a finite number and was left out."
                                    : " strings have an end that is not a finite number and were left out.");
    if (result.scaled_down) {
        text += text.empty() ? "The file was saved. " : " ";
        text += format == FigureFormat::Pdf
            ? "The figure is larger than a PDF page can be (200 inches a side) and was scaled down to fit, "
              "keeping its proportions."
            : "The figure has more pixels than a PNG image is drawn with (16384 a side, 256 MB): its pixels were "
              "scaled down to fit, not its size. The image keeps the figure's proportions and its size in inches, "
              "at a lower density.";
    }
    return text;
}
