// The road of Encode2File: encode the Workspace's record, paint it, and save
// the picture in the format the file name's extension chooses.
#pragma once

#include <string_view>

// True only when the picture was written. The record's error_text is cleared
// first and then holds the warning or error of this call. Nothing is written
// when a text setting is refused, the encoder fails, the symbology is
// refused, or the extension chooses no format; a failed save leaves an
// existing file as it was.
bool encode_workspace_to_file(std::u16string_view file_name);
