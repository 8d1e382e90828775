#pragma once

// What a modal dialog's DoModal returns; callers compare against these.
enum DialogResult { IDOK = 1, IDCANCEL = 2 };
