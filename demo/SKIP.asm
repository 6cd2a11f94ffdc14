; The skip button's script, also fired by releasing Space: skip mode, which lets every line read
; before fly by until the player clicks or an unread line comes. The message waiting when the
; button fired goes on when this returns.

    call StartSkipMode()
    Return
