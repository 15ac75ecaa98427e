// Texts for the engine's result codes.
#include "engine_results.h"

#include "kwdata.h"

namespace kwtool {

std::string EngineResultText(int32_t code) {
    const char *text = nullptr;
    switch (code) {
        case KWERR_NOMEM:
            text = "out of memory";
            break;
        case KWERR_BADHANDLE:
            text = "no such database, table or index";
            break;
        case KWERR_CHAIN:
            text = "the record chain could not be walked";
            break;
        case KWERR_TOOMANY:
            text = "the engine already has two databases in use";
            break;
        case KWERR_EXTENDED:
            text = "a record store or index file failed";
            break;
        case KWERR_NOLOCATION:
            text =
                "the database is not registered, its directory is missing, or the directory "
                "could not be created";
            break;
        case KWERR_INIWRITE:
            text = "the registration could not be written to KWDATA.INI";
            break;
        case KWERR_NOTOPEN:
            text = "the table is not open";
            break;
        case KWERR_INUSE:
            text = "the database or table is in use";
            break;
        case KWERR_FILEOPEN:
            text = "a table file could not be opened or created";
            break;
        case KWERR_IO:
            text = "a file could not be read or written";
            break;
        default:
            break;
    }
    const std::string number = std::to_string(code);
    return text ? std::string(text) + " (" + number + ")" : "engine result " + number;
}

}  // namespace kwtool
