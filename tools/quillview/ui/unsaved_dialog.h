// unsaved_dialog.h - before unsaved text would be lost: the question, in a
// small modal window titled "Unsaved snippets" with "Save all", "Discard"
// and "Cancel", for closing a window or quitting.
//
// Quitting (app.quit: Ctrl+Q, the menu's Quit) asks about every window's
// snippets at once: guard_quit() puts an action of its own in the
// application's place, which asks first and then quits as the
// application's did. A signal (SIGTERM) still quits without asking.
#ifndef QUILLVIEW_UI_UNSAVED_DIALOG_H
#define QUILLVIEW_UI_UNSAVED_DIALOG_H

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace quillview {

enum class UnsavedAnswer { kSaveAll, kDiscard, kCancel };

// Asks over `parent` what to do with the unsaved text of the snippets
// `names`; `answered` gets the answer. Escape, closing the question and
// `parent` going first are Cancel.
void ask_about_unsaved(GtkWindow *parent, const std::vector<std::string> &names,
                       std::function<void(UnsavedAnswer answer)> answered);

// What a window holds that is not saved, and how it saves it all.
struct UnsavedWork {
    // The names of its snippets with unsaved text.
    std::function<std::vector<std::string>()> names;
    // Saves them all; false when one could not be saved (it says why).
    std::function<bool()> save_all;
};

// Ties `work` to `window` (for as long as it lives) and makes app.quit of
// `app` ask first when any window's work has unsaved snippets: Save all
// quits once everything is saved, Discard quits at once, Cancel stays.
void guard_quit(GtkApplication *app, GtkWindow *window, UnsavedWork work);

}  // namespace quillview

#endif  // QUILLVIEW_UI_UNSAVED_DIALOG_H
