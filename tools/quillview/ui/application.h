// application.h - quillview's GtkApplication.
#ifndef QUILLVIEW_UI_APPLICATION_H
#define QUILLVIEW_UI_APPLICATION_H

namespace quillview {

// Runs the application (id org.quillkit.Quillview) on this command line, a
// window for its snippets; a second quillview started while one runs opens
// its window in the first one's process. Returns the exit status.
int run_application(int argc, char **argv);

}  // namespace quillview

#endif  // QUILLVIEW_UI_APPLICATION_H
