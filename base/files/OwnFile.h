// A name's own file, and what else may stand in its place. Where a user may
// make links, a link in place of a file (a symbolic link, a junction, a
// mount point) would lead this program to another file, another computer
// or a device. Other reparse points (a file a cloud service keeps in sync,
// a deduplicated one) are the user's ordinary files, whose service hands
// over their bytes when they are opened the usual way.
#pragma once

enum class TReparse {
    None,          // an ordinary file
    NameSurrogate, // a link: it stands for another name
    Other,         // a file a service keeps
};

// What stood in a name's place, opened as itself.
struct TReparseFacts {
    TReparse Kind = TReparse::None;
    // A service's file, opened again the usual way, was still the same file.
    bool SameFile = true;

    // The name leads to another file than its own, which is never used.
    bool LeadsElsewhere() const
    {
        return Kind == TReparse::NameSurrogate || (Kind == TReparse::Other && !SameFile);
    }
};
