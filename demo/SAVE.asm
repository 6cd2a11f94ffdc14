; The save button's script: the save/load screen, for saving (game int 25 = 0).

    PushRef 25 0
    PushConst 0 0
    Assign
    Pop
    call CallSQX("SAVESCREEN")
    Return
