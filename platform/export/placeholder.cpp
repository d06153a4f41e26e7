// The office-file writer of the list export lands here.
