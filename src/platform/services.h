#pragma once

namespace zumivok {

class Dialogs;
class Files;
class PictureLoader;

// What the windows need from the outside world; main() passes the real
// services, tests pass doubles.
struct Services
{
    Files &files;
    Dialogs &dialogs;
    const PictureLoader &pictures;
};

} // namespace zumivok
