; The vura demo game. It speaks through the window's caption for now; every part of the
; engine that lands adds its scene here.

    call SetWindowTitle("vura デモ")

    ; Three clicks, counted in game int 20.
    PushRef 20 0
    PushConst 0 1
    Assign
    Pop
clicks:
    call SetWindowTitle("vura デモ: クリックしてください ({int:20}/3)")
    call WaitClick(0)
    PushRef 20 0
    Increment
    LoadVar 0 6            ; constant int 0: how many clicks
    Compare 3              ; counted so far <= wanted?
    JumpIfTrue 0 clicks

    ; Today's date and a die roll, through the string commands.
    call GetDateTime(0, 1, 2, 3, 4, 5)
    call ConcatStrings("今日は{int:0}月{int:1}日、", "サイコロは", 0)
    call Random(6, 10)
    PushRef 10 0
    Increment
    Pop
    call SetWindowTitle("{str:0}{int:10}です (クリックで次へ)")
    call WaitClick(10000)

    ; A script of its own, called and returned from.
    call CallSQX("GREETING")

    ; A timed wait; Ctrl cuts it short.
    call StartTimer()
    call SetWindowTitle("3秒待ちます (Ctrlで飛ばせます)")
    call WaitTimer(3000)

    call SetWindowTitle("おしまい: クリックで終わります")
    call WaitClick(0)
    End
