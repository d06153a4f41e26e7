// The window driver, controls and report engine on Qt land here.
